#include "core/ui/frmLoad.h"

#include "core/app/InternetCheck.h"
#include "core/ui/SkinArt.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

frmLoad::frmLoad(AppState &state, QWidget *parent) : QWidget(parent), m_state(state)
{
    setObjectName(QStringLiteral("frmLoad"));
    setWindowTitle(QStringLiteral("Flazz"));
    setWindowIcon(SkinArt::appIcon());
}

frmLoad::~frmLoad()
{
    // The main window may still reach the tray while it goes.
    m_mainWindow.reset();
    m_tray.reset();
}

void frmLoad::setInternetCheck(std::unique_ptr<InternetCheck> check)
{
    m_check = std::move(check);
}

void frmLoad::Form_Load(bool showMainWindow)
{
    if (m_makeTray && !m_tray)
        m_tray = m_makeTray(*this);
    if (m_makeMainWindow && !m_mainWindow)
        m_mainWindow = m_makeMainWindow(*this);
    if (!m_mainWindow)
        return;
    // A window that has not placed itself opens in the middle of the work
    // area rather than wherever the window system puts new windows.
    if (!m_mainWindow->testAttribute(Qt::WA_Moved)) {
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(0, 0), m_mainWindow->size());
            frame.moveCenter(screen->availableGeometry().center());
            m_mainWindow->move(frame.topLeft());
        }
    }
    const bool trayAvailable = m_trayAvailable ? m_trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
    if (!showMainWindow && m_tray && trayAvailable)
        return;
    m_mainWindow->show();
}

QTimer *frmLoad::Timer1() const
{
    return m_check ? &m_check->Timer1() : nullptr;
}

void frmLoad::enableTimer1()
{
    if (m_check)
        m_check->start();
}

void frmLoad::CheckInternetConnection()
{
    if (m_check)
        m_check->CheckInternetConnection();
}

void frmLoad::Unload()
{
    if (m_check)
        m_check->stop();
    if (m_mainWindow)
        m_mainWindow->hide();
    // Unload is usually called from a click inside the main window or the
    // tray menu, so they are not destroyed here: the host releases them when
    // it goes, after the event loop has returned.
    QCoreApplication::quit();
}

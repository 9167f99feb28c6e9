#include "core/ui/frmLoad.h"

#include "core/ui/SkinArt.h"

#include <QCoreApplication>
#include <QTimer>

frmLoad::frmLoad(AppState &state, QWidget *parent)
    : QWidget(parent), m_state(state), m_timer1(new QTimer(this))
{
    setObjectName(QStringLiteral("frmLoad"));
    setWindowTitle(QStringLiteral("Flazz"));
    setWindowIcon(SkinArt::appIcon());
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(5000);
    connect(m_timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

frmLoad::~frmLoad()
{
    // The main window may still reach the tray while it goes.
    m_mainWindow.reset();
    m_tray.reset();
}

void frmLoad::Form_Load()
{
    if (m_makeTray && !m_tray)
        m_tray = m_makeTray(*this);
    if (m_makeMainWindow && !m_mainWindow)
        m_mainWindow = m_makeMainWindow(*this);
    if (m_mainWindow)
        m_mainWindow->show();
}

void frmLoad::CheckInternetConnection()
{
    if (m_check)
        m_check();
}

void frmLoad::Timer1_Timer()
{
    // Stopped while the check runs: a check that waits for its first answer
    // must not be entered again by the next tick.
    m_timer1->stop();
    m_timer1->setInterval(5000);
    CheckInternetConnection();
    m_timer1->start();
    QCoreApplication::processEvents();
}

void frmLoad::Unload()
{
    m_timer1->stop();
    // Unload is usually called from a click inside one of them: they go
    // once that click has been handled.
    if (m_mainWindow) {
        m_mainWindow->hide();
        m_mainWindow.release()->deleteLater();
    }
    if (m_tray)
        m_tray.release()->deleteLater();
    QCoreApplication::quit();
}

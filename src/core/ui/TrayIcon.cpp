#include "core/ui/TrayIcon.h"

#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "core/ui/SkinArt.h"
#include "platform/Shell.h"
#include "platform/StatusNotifier.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace {

const QString kShow = QStringLiteral(" Show");
const QString kHowItWorks = QStringLiteral(" How It Works");
const QString kExit = QStringLiteral(" Exit Flazz");

const QString kModalMessage =
    QStringLiteral("To access options from the Sys Tray, please close the active form first.");

// The menu's three small pictures, drawn so they match the light menu.
QIcon menuIcon(int which)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(91, 91, 91);
    switch (which) {
    case 0: { // a window coming forward
        p.setPen(QPen(ink, 2));
        p.setBrush(QColor(246, 246, 246));
        p.drawRoundedRect(QRectF(4, 7, 24, 19), 3, 3);
        p.fillRect(QRectF(5, 8, 22, 5), QColor(255, 106, 61));
        break;
    }
    case 1: { // a question in a circle
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(47, 127, 214));
        p.drawEllipse(QRectF(3, 3, 26, 26));
        QFont font;
        font.setBold(true);
        font.setPixelSize(19);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    default: { // the power symbol
        QPen pen(QColor(193, 6, 6), 3, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.drawArc(QRectF(6, 7, 20, 20), 120 * 16, -240 * 16);
        p.drawLine(QPointF(16, 4), QPointF(16, 15));
        break;
    }
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace

TrayIcon::TrayIcon(AppState &state, UserPrompt &ui, platform::Shell &shell, QString howItWorksUrl,
                   QObject *parent)
    : QObject(parent), m_state(state), m_ui(ui), m_shell(shell), m_howItWorks(std::move(howItWorksUrl)),
      m_icon(new QSystemTrayIcon(this)), m_menu(new QMenu)
{
    m_icon->setObjectName(QStringLiteral("ctTray1"));
    m_icon->setIcon(SkinArt::appIcon());
    m_icon->setToolTip(toolTip());
    m_menu->setObjectName(QStringLiteral("mnuSystrayMenu"));

    // On the classic tray the menu is not handed to the icon: the guard must
    // run before any menu appears, so the right button is handled here.
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::DoubleClick:
            ctTray1_DoubleClick();
            break;
        case QSystemTrayIcon::Context:
            if (!m_statusNotifier)
                ctTray1_MouseUp(Qt::RightButton);
            break;
        case QSystemTrayIcon::Trigger:
            if (m_statusNotifier)
                ctTray1_DoubleClick();
            else
                ctTray1_MouseUp(Qt::LeftButton);
            break;
        default:
            break;
        }
    });
    connect(m_menu, &QMenu::triggered, this,
            [this](QAction *action) { mnuSystrayMenu_Click(action->text()); });
    connect(m_menu, &QMenu::aboutToShow, this, [this] {
        if (m_statusNotifier)
            hostOpensMenu();
    });
    setStatusNotifierHost(platform::statusNotifierHostRegistered());
}

void TrayIcon::setStatusNotifierHost(bool statusNotifier)
{
    m_statusNotifier = statusNotifier;
    if (statusNotifier)
        BuildTrayMenu();
    m_icon->setContextMenu(statusNotifier ? m_menu : nullptr);
}

void TrayIcon::hostOpensMenu()
{
    // The host asks over the bus and waits for the menu: the call-out must
    // not hold it up, and the menu it gets meanwhile is empty.
    if (m_state.TrayBusy || m_state.ModalFormOpen) {
        m_menu->clear();
        QTimer::singleShot(0, this, [this] { passesGuard(); });
        return;
    }
    BuildTrayMenu();
}

TrayIcon::~TrayIcon()
{
    delete m_menu;
}

void TrayIcon::show()
{
    m_icon->show();
}

void TrayIcon::setActivity(const QString &activity)
{
    m_icon->setToolTip(activity.isEmpty() ? toolTip() : activity + u'\n' + toolTip());
}

void TrayIcon::showNotice(const QString &title, const QString &message)
{
    m_icon->showMessage(title, message, QSystemTrayIcon::Information);
}

bool TrayIcon::passesGuard()
{
    if (m_state.TrayBusy)
        return false;
    if (!m_state.ModalFormOpen)
        return true;
    m_state.TrayBusy = true;
    if (m_callOut)
        m_callOut(QStringLiteral("Active"), kModalMessage);
    else
        m_state.TrayBusy = false;
    return false;
}

void TrayIcon::ctTray1_DoubleClick()
{
    if (!passesGuard())
        return;
    QWidget *window = m_mainWindow ? m_mainWindow() : nullptr;
    if (!window)
        return;
    if (window->isVisible()) {
        window->hide();
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void TrayIcon::ctTray1_MouseUp(Qt::MouseButton button)
{
    if (!passesGuard())
        return;
    if (button != Qt::RightButton)
        return;
    BuildTrayMenu();
    m_menu->popup(QCursor::pos());
}

void TrayIcon::BuildTrayMenu()
{
    m_menu->clear();
    QFont font(QStringLiteral("Calibri"), 10);
    font.setFamilies({QStringLiteral("Calibri"), QStringLiteral("Carlito")});
    m_menu->setFont(font);
    m_menu->setStyleSheet(QStringLiteral(
        "QMenu { background: rgb(246,246,246); border: 1px solid rgb(197,197,197); padding: 3px; }"
        "QMenu::item { color: rgb(91,91,91); padding: 5px 22px 5px 8px; border-radius: 3px; }"
        "QMenu::item:selected { background: rgb(233,238,238); color: rgb(113,113,113); }"
        "QMenu::icon { padding-left: 4px; }"));
    m_menu->addAction(menuIcon(0), kShow);
    m_menu->addAction(menuIcon(1), kHowItWorks);
    m_menu->addAction(menuIcon(2), kExit);
}

void TrayIcon::mnuSystrayMenu_Click(const QString &itemText)
{
    if (itemText == kShow) {
        if (QWidget *window = m_mainWindow ? m_mainWindow() : nullptr) {
            window->show();
            window->raise();
            window->activateWindow();
        }
    } else if (itemText == kHowItWorks) {
        m_shell.open(m_howItWorks);
    } else if (itemText == kExit) {
        exitFlazz();
    }
}

void TrayIcon::exitFlazz()
{
    m_state.TrayBusy = true;
    // The question keeps its own words; what is still being sent goes on
    // a line of its own after them, since leaving would otherwise look as
    // if it cost nothing.
    QString question = QStringLiteral("Are you sure? Why not continue Flazzing your Photos?");
    if (const QString note = m_exitNote ? m_exitNote() : QString(); !note.isEmpty())
        question += u'\n' + note;
    const int answer =
        m_ui.systemMessage(question, MsgStyle::YesNo | MsgStyle::Question, QStringLiteral("Flazz"));
    if (answer != MsgResult::Yes) {
        m_state.TrayBusy = false;
        return;
    }
    std::function<void()> exit = m_exit;
    if (!exit)
        exit = [] { QCoreApplication::quit(); };
    QTimer::singleShot(0, QCoreApplication::instance(), exit);
}

#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QMenu;
class QSystemTrayIcon;
class QWidget;
class UserPrompt;
struct AppState;
namespace platform {
class Shell;
}

// The program's icon in the notification area and its menu. A double click
// shows or hides the main window; the right button opens the menu with
// " Show", " How It Works" and " Exit Flazz". While a window of the program
// is open modally the tray refuses and says why in the call-out.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    // Shows the call-out modally with a caption and a message; the call-out
    // clears TrayBusy when it closes. The call-out lives with the Settings
    // windows, so it is handed in rather than known here.
    using CallOut = std::function<void(const QString &caption, const QString &message)>;
    using MainWindow = std::function<QWidget *()>;

    TrayIcon(AppState &state, UserPrompt &ui, platform::Shell &shell, QString howItWorksUrl,
             QObject *parent = nullptr);
    ~TrayIcon() override;

    void setMainWindow(MainWindow mainWindow) { m_mainWindow = std::move(mainWindow); }
    void setCallOut(CallOut callOut) { m_callOut = std::move(callOut); }
    // Empties the photo set, unloads the windows and ends the process, once
    // the exit question was answered Yes. It runs from the event loop after
    // the menu has gone, because it destroys this icon. By default the event
    // loop is left.
    void setExitAction(std::function<void()> action) { m_exit = std::move(action); }
    // How the desktop shows the icon; by default the session bus is asked.
    // A StatusNotifierItem host (today's desktops) reports a click and never
    // a double click, so there one click shows or hides the window, and it
    // draws the menu itself from the one the icon publishes. The classic
    // tray reports both clicks and leaves the menu to the program.
    void setStatusNotifierHost(bool statusNotifier);
    // A second line for the exit question, asked for when it is asked (the
    // photos still being sent); empty for none.
    void setExitNote(std::function<QString()> note) { m_exitNote = std::move(note); }

    void show();

    QSystemTrayIcon *icon() const { return m_icon; }
    QMenu *menu() const { return m_menu; }

    // The icon's events, as the notification area reports them.
    void ctTray1_DoubleClick();
    void ctTray1_MouseUp(Qt::MouseButton button);

    // Clears and refills the menu (rebuilt at every right click).
    void BuildTrayMenu();
    // Runs the menu item with this text; unknown texts do nothing.
    void mnuSystrayMenu_Click(const QString &itemText);

    static QString toolTip() { return QStringLiteral("Double-Click to activate/de-activate Flazz"); }

    // Background work the user should see where they look: a line above the
    // usual tooltip (empty restores it), and a notification balloon.
    void setActivity(const QString &activity);
    void showNotice(const QString &title, const QString &message);

private:
    // False when the event must be ignored (busy, or a modal window is open).
    bool passesGuard();
    void exitFlazz();
    void hostOpensMenu();

    AppState &m_state;
    UserPrompt &m_ui;
    platform::Shell &m_shell;
    QString m_howItWorks;
    QSystemTrayIcon *m_icon;
    QMenu *m_menu;
    MainWindow m_mainWindow;
    CallOut m_callOut;
    std::function<void()> m_exit;
    bool m_statusNotifier = false;
    std::function<QString()> m_exitNote;
};

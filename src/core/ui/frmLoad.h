#pragma once

#include <QWidget>

#include <functional>
#include <memory>

class InternetCheck;
class QTimer;
struct AppState;

// The hidden host window. It lives for the whole run: it shows the main
// window, keeps the tray icon, and owns the internet check that runs every
// five seconds. It is never shown itself.
class frmLoad : public QWidget
{
    Q_OBJECT
public:
    // Makes the main window; frmLoad shows it modelessly and owns it.
    using MainWindowFactory = std::function<std::unique_ptr<QWidget>(frmLoad &host)>;
    // Makes the tray icon, which shows itself and lives as long as the host.
    using TrayFactory = std::function<std::unique_ptr<QObject>(frmLoad &host)>;

    explicit frmLoad(AppState &state, QWidget *parent = nullptr);
    ~frmLoad() override;

    AppState &state() const { return m_state; }

    void setMainWindowFactory(MainWindowFactory factory) { m_makeMainWindow = std::move(factory); }
    void setTrayFactory(TrayFactory factory) { m_makeTray = std::move(factory); }
    // The check that keeps InternetAvailable current; its timer is Timer1.
    void setInternetCheck(std::unique_ptr<InternetCheck> check);
    // Whether the desktop shows the tray icon; by default the desktop is asked.
    void setTrayAvailable(std::function<bool()> available) { m_trayAvailable = std::move(available); }

    // Makes the tray icon visible and shows the main window. Without
    // `showMainWindow` the window waits behind the icon, unless the desktop
    // has no notification area: a window nobody could bring back would
    // strand the user.
    void Form_Load(bool showMainWindow = true);

    QWidget *mainWindow() const { return m_mainWindow.get(); }
    QObject *tray() const { return m_tray.get(); }
    InternetCheck *internetCheck() const { return m_check.get(); }

    // Interval 5000 ms; enabled at the end of start-up, so the first check
    // runs five seconds later. Null without a check.
    QTimer *Timer1() const;
    void enableTimer1();
    void CheckInternetConnection();

    // Hides the main window and leaves the event loop: the end of an orderly
    // run. The main window and the tray icon are released with the host.
    void Unload();

private:
    AppState &m_state;
    MainWindowFactory m_makeMainWindow;
    TrayFactory m_makeTray;
    std::function<bool()> m_trayAvailable;
    std::unique_ptr<InternetCheck> m_check;
    std::unique_ptr<QObject> m_tray;
    std::unique_ptr<QWidget> m_mainWindow;
};

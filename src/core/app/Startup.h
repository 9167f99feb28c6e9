#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

struct AppState;
class StartupWindows;
class UserPrompt;

namespace platform {
class Autostart;
class InstanceGuard;
class PathHandOff;
} // namespace platform

// The process entry's work, from the command line to the running host
// window. It owns the single-instance lock, so it lives as long as the
// program does.
class Startup
{
public:
    enum class Outcome
    {
        Ended,   // a message was shown and the process is to end
        Running, // the host window is up; run the event loop
    };

    inline static const QString AdminMessage =
        QStringLiteral("To enable this feature, please run I.E. as an Admin.");
    inline static const QString AlreadyOpenMessage =
        QStringLiteral("Flazz is already open. Please access it from the Task Bar.");
    // Starts the program in the notification area without its window, as
    // the log-in entry does. It is ours, not an argument in the command
    // line's sense: it changes nothing of how a second start behaves.
    inline static const QString TrayOption = QStringLiteral("--tray");

    Startup(AppState &state, UserPrompt &prompt, StartupWindows &windows);
    ~Startup();

    Startup(const Startup &) = delete;
    Startup &operator=(const Startup &) = delete;

    // Distinguishes the lock of this program from others; tests use their own.
    void setInstanceName(const QString &name) { m_instanceName = name; }

    // Creates the process objects (the photo set, the image library token)
    // once the folders are known.
    void setCreateProcessObjects(std::function<void(AppState &)> create)
    {
        m_createProcessObjects = std::move(create);
    }

    // Adds files and folders to the photo set as a drop would and brings the
    // main window forward: those this start was given, and those every later
    // start hands over while this copy runs. Runs once the host is loaded.
    void setOpenPaths(std::function<void(const QStringList &paths)> open) { m_openPaths = std::move(open); }

    // `arguments` are those that followed the program's name. Runs every
    // step up to the internet check's first enable.
    //
    // A later start while a copy runs, given only files and folders that
    // exist, hands them to the running copy and ends without a word (what a
    // file manager's "Open with" needs); should nobody take them, it goes on
    // as any start with arguments does and adds them itself.
    Outcome Main(QStringList arguments);

    // The entry that starts this program at log-in, in the tray.
    static platform::Autostart loginStart();

private:
    void readSettings();
    void open(const QStringList &paths);

    AppState &m_state;
    UserPrompt &m_prompt;
    StartupWindows &m_windows;
    QString m_instanceName = QStringLiteral("Flazz");
    std::function<void(AppState &)> m_createProcessObjects;
    std::function<void(const QStringList &)> m_openPaths;
    std::unique_ptr<platform::InstanceGuard> m_guard;
    std::unique_ptr<platform::PathHandOff> m_handOff;
    bool m_hostLoaded = false;
    QStringList m_waitingPaths; // arrived before the host was loaded
};

#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

struct AppState;
class StartupWindows;
class UserPrompt;

namespace platform {
class InstanceGuard;
}

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

    // `commandLine` is what followed the program's name, blanks between
    // arguments. Runs every step up to the internet check's first enable.
    Outcome Main(const QString &commandLine);

    // The arguments after the program's name, as one command line.
    static QString commandLineOf(const QStringList &arguments);

private:
    void readSettings();

    AppState &m_state;
    UserPrompt &m_prompt;
    StartupWindows &m_windows;
    QString m_instanceName = QStringLiteral("Flazz");
    std::function<void(AppState &)> m_createProcessObjects;
    std::unique_ptr<platform::InstanceGuard> m_guard;
};

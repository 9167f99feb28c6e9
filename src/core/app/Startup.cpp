#include "core/app/Startup.h"

#include "core/AppState.h"
#include "core/DataInstall.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "core/UserPrompt.h"
#include "core/Version.h"
#include "core/app/StartupWindows.h"
#include "platform/Autostart.h"
#include "platform/InstanceGuard.h"
#include "platform/PathHandOff.h"
#include "platform/ShellFolders.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <utility>

namespace {

constexpr auto kTitle = u"Flazz";

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

// The arguments as absolute paths when every one names a file or folder
// that exists; none otherwise (any other argument keeps its old meaning).
QStringList existingPaths(const QStringList &arguments)
{
    QStringList paths;
    for (const QString &argument : arguments) {
        const QFileInfo info(argument);
        if (argument.isEmpty() || !info.exists())
            return {};
        paths << info.absoluteFilePath();
    }
    return paths;
}

} // namespace

Startup::Startup(AppState &state, UserPrompt &prompt, StartupWindows &windows)
    : m_state(state), m_prompt(prompt), m_windows(windows)
{
}

Startup::~Startup() = default;

Startup::Outcome Startup::Main(QStringList arguments)
{
    const bool trayStart = arguments.removeAll(TrayOption) > 0;
    const QString commandLine = arguments.join(u' ');
    m_state.CommandLine = commandLine;

    // The browser add-in starts us with "Error" when it lacks the rights it
    // needs; nothing else of the program is wanted then.
    if (commandLine == QLatin1String("Error")) {
        m_prompt.systemMessage(AdminMessage, MsgStyle::Information, QString::fromUtf16(kTitle));
        return Outcome::Ended;
    }

    m_state.setFolders(platform::shellFolder(platform::ShellFolder::CommonAppData));
    m_state.InternetAvailable = true;
    m_state.MaxPhotos = 100;

    m_guard = std::make_unique<platform::InstanceGuard>(m_instanceName);
    const bool otherInstance = m_guard->PrevInstance();
    m_handOff = std::make_unique<platform::PathHandOff>(m_instanceName, m_state.AppDataFolder);
    const QStringList paths = existingPaths(arguments);
    if (otherInstance) {
        if (!paths.isEmpty() && m_handOff->handOver(paths))
            return Outcome::Ended;
        if (commandLine.isEmpty()) {
            // The log-in entry of a user who had started the program already.
            if (!trayStart)
                m_prompt.systemMessage(AlreadyOpenMessage, MsgStyle::Information, QString::fromUtf16(kTitle));
            return Outcome::Ended;
        }
    } else if (!m_handOff->listen([this](const QStringList &received) { open(received); })) {
        qWarning("Files given to later starts cannot reach this one: %s",
                 qPrintable(m_handOff->socketPath()));
    }
    m_waitingPaths = paths;

    // A first start, or one after the user tidied the data folder away, finds
    // the settings and pages where it expects them.
    provisionAppData(m_state.AppDataFolder);
    if (m_createProcessObjects)
        m_createProcessObjects(m_state);
    readSettings();

    if (!commandLine.isEmpty() && otherInstance) {
        // Started by another program to do one job while we already run:
        // no splash, only the busy mode for whoever shows the window next.
        m_windows.setSplashMode(QStringLiteral("Busy"));
    } else if (!trayStart) {
        // A start at log-in stays out of sight: no splash over the desktop.
        m_windows.setSplashMode(QStringLiteral("Splash"));
        m_windows.showSplash();
    }

    m_windows.loadHost(!trayStart);
    m_windows.enableInternetCheck();
    m_hostLoaded = true;
    open(std::exchange(m_waitingPaths, {}));
    return Outcome::Running;
}

void Startup::open(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    if (!m_hostLoaded) {
        m_waitingPaths += paths;
        return;
    }
    if (m_openPaths)
        m_openPaths(paths);
}

platform::Autostart Startup::loginStart()
{
    return platform::Autostart(QString::fromLatin1(Version::AppId), QString::fromUtf16(kTitle),
                               {QCoreApplication::applicationFilePath(), TrayOption});
}

void Startup::readSettings()
{
    // A missing or broken file reads as nothing, and every value keeps its
    // default: the program runs on without a word.
    const SettingsStore store(m_state.SettingsFile);
    m_state.UploadSize = SettingsText::toInt(store.read(key(SettingsKey::UploadSize)));
    m_state.Skin = SettingsText::toInt(store.read(key(SettingsKey::Skin)));
    m_state.UploadPromptEnabled = SettingsText::isOn(store.read(key(SettingsKey::UploadPrompt)));
    m_state.StartupPromptEnabled = SettingsText::isOn(store.read(key(SettingsKey::StartupPrompt)));
    m_state.KeepMetadata = SettingsText::isOn(store.read(key(SettingsKey::KeepMetadata)));
}

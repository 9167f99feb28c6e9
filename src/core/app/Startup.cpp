#include "core/app/Startup.h"

#include "core/AppState.h"
#include "core/DataInstall.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "core/UserPrompt.h"
#include "core/app/StartupWindows.h"
#include "platform/InstanceGuard.h"
#include "platform/ShellFolders.h"

namespace {

constexpr auto kTitle = u"Flazz";

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

} // namespace

Startup::Startup(AppState &state, UserPrompt &prompt, StartupWindows &windows)
    : m_state(state), m_prompt(prompt), m_windows(windows)
{
}

Startup::~Startup() = default;

QString Startup::commandLineOf(const QStringList &arguments)
{
    return arguments.mid(1).join(QLatin1Char(' '));
}

Startup::Outcome Startup::Main(const QString &commandLine)
{
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
    if (commandLine.isEmpty() && otherInstance) {
        m_prompt.systemMessage(AlreadyOpenMessage, MsgStyle::Information, QString::fromUtf16(kTitle));
        return Outcome::Ended;
    }

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
    } else {
        m_windows.setSplashMode(QStringLiteral("Splash"));
        m_windows.showSplash();
    }

    m_windows.loadHost();
    m_windows.enableInternetCheck();
    return Outcome::Running;
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
}

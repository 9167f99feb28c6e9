#include "photoset/SkypeSender.h"

#include "photoset/SkypeLocator.h"

#include "core/AppState.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "core/UserPrompt.h"
#include "photoset/PathRoutines.h"
#include "photoset/UploadWindow.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/ShellFolders.h"

#include <QDir>
#include <QtDebug>

bool GetSkypePath(AppState &state)
{
    // A settings file that does not load leaves SkypePath as it was, so a
    // path located in this session still counts.
    if (const auto stored = SettingsStore(state.SettingsFile).read(QLatin1String(SettingsKey::SkypePath)))
        state.SkypePath = *stored;
    if (PathExists(state.SkypePath, PathKind::File))
        return true;

    state.SkypePath = platform::GetRegString(
        platform::Hive::CurrentUser, QStringLiteral("Software\\Skype\\Phone"), QStringLiteral("SkypePath"));
    if (PathExists(state.SkypePath, PathKind::File))
        return true;

    state.SkypePath.clear();
    return false;
}

FileDialogRequest SkypeDialogRequest()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Locate Skype");
    request.initialFolder =
        platform::shellFolder(platform::ShellFolder::ProgramFiles) + QStringLiteral("/Skype/Phone");
    request.filter = QStringLiteral("Exe File (*.exe)|*.exe");
#ifndef Q_OS_WIN
    // Programs here carry no ".exe"; the second choice lets the user pick
    // the Skype program under its own name.
    request.filter += QStringLiteral("|All Files (*)|*");
#endif
    request.multiSelect = false;
    return request;
}

void RememberSkypePath(AppState &state, const QString &path)
{
    state.SkypePath = path;
    SettingsStore(state.SettingsFile).write(QLatin1String(SettingsKey::SkypePath), path);
}

QString SkypeArguments(const QString &archivePath)
{
    return QStringLiteral("/sendto: \"") + QDir::toNativeSeparators(archivePath) + QStringLiteral("\" ");
}

QString SkypeFolder()
{
    return ZipFolder() + QStringLiteral("/Skype");
}

SkypeSender::SkypeSender(AppState &state, UploadWindow &window, UserPrompt &prompt, platform::Shell &shell,
                         Clock clock)
    : ArchiveFlow("Skype", state, window, prompt, shell, std::move(clock))
{
}

bool SkypeSender::ready()
{
    if (!GetSkypePath(m_state)) {
        const FileDialogRequest request = SkypeDialogRequest();
        const QString chosen =
            m_locator ? m_locator->locateSkype(request) : m_prompt.openFiles(request).value(0);
        if (!chosen.isEmpty())
            RememberSkypePath(m_state, chosen);
    }
    if (m_state.SkypePath.trimmed().isEmpty())
        return false;
    if (!m_state.InternetAvailable) {
        m_prompt.internetConnectionError();
        return false;
    }
    return true;
}

QString SkypeSender::archiveFolder() const
{
    return SkypeFolder();
}

void SkypeSender::showProgress(int photoCount)
{
    m_window.setProgressRange(0, 100);
    m_window.setProgressValue(0);
    m_window.ShowProgressPanel(true);
    m_window.setUpdateCaption(QStringLiteral("Progress..."));
    m_window.setPbrCaption(QStringLiteral("Please wait..."));
    // Scaled photos are counted against the number of photos; at the
    // original size the meter keeps its scale of 100.
    if (m_state.UploadSize != 0)
        m_window.setProgressRange(0, photoCount);
}

void SkypeSender::finish(const QString &, const QString &archive, bool written)
{
    if (written && !m_shell.startProgram(m_state.SkypePath, SkypeArguments(archive), QString()))
        qWarning("Skype: could not start %s", qPrintable(m_state.SkypePath));
    if (!m_state.ModalFormOpen)
        m_prompt.done();
}

#include "photoset/ZipExport.h"

#include "core/UserPrompt.h"
#include "photoset/UploadWindow.h"
#include "platform/Shell.h"
#include "platform/ShellFolders.h"

QString ZipFolder()
{
    return platform::shellFolder(platform::ShellFolder::DesktopDirectory) + QStringLiteral("/Flazz");
}

ZipExport::ZipExport(AppState &state, UploadWindow &window, UserPrompt &prompt, platform::Shell &shell,
                     Clock clock)
    : ArchiveFlow("Zip", state, window, prompt, shell, std::move(clock))
{
}

QString ZipExport::archiveFolder() const
{
    return ZipFolder();
}

void ZipExport::showProgress(int photoCount)
{
    m_window.setProgressRange(0, photoCount);
    m_window.setProgressValue(0);
    m_window.ShowProgressPanel(true);
    m_window.setPbrCaption(QStringLiteral("Please wait..."));
    m_window.processEvents();
    m_window.setUpdateCaption(QStringLiteral("Zip"));
}

void ZipExport::finish(const QString &folder, const QString &, bool)
{
    // The folder opens even after a failed write: the user sees what is there.
    m_shell.open(folder + QLatin1Char('/'));
    m_prompt.done();
}

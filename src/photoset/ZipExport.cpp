#include "photoset/ZipExport.h"

#include "core/UserPrompt.h"
#include "photoset/UploadWindow.h"
#include "platform/Shell.h"
#include "platform/ShellFolders.h"

#include <QDir>
#include <QFileInfo>

QString ArchiveLocation(const QString &archive)
{
    const QFileInfo file(archive);
    return u"Saved as \"" + file.fileName() + u"\"\nin " + QDir::toNativeSeparators(file.absolutePath());
}

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

void ZipExport::finish(const QString &folder, const QString &archive, bool written)
{
    // The folder opens even after a failed write: the user sees what is there.
    const QString opened = folder + QLatin1Char('/');
    m_shell.open(opened);
    if (!written) {
        m_prompt.done();
        return;
    }
    // The file manager may open behind other windows, or not at all: the
    // note says where the archive is and opens its folder again on request.
    m_prompt.doneWith(ArchiveLocation(archive), [this, opened] { m_shell.open(opened); });
}

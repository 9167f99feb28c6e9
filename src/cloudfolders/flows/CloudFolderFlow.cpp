#include "cloudfolders/flows/CloudFolderFlow.h"

#include "cloudfolders/CloudConnector.h"
#include "cloudfolders/flows/CloudClientNotices.h"
#include "cloudfolders/flows/FolderChooser.h"
#include "cloudfolders/flows/SentBeforeQuestion.h"
#include "cloudfolders/flows/UploadLists.h"
#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "photoset/UploadWindow.h"
#include "photoset/clsTray.h"
#include "platform/Shell.h"
#include "webkit/BackgroundUploader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

CloudFolderFlow::CloudFolderFlow(Service service, Parts parts,
                                 std::function<std::unique_ptr<CloudConnector>()> connector, QString site)
    : m_service(service), m_parts(std::move(parts)), m_connector(std::move(connector)),
      m_site(std::move(site))
{
}

QString CloudFolderFlow::locate() const
{
    const std::function<QString()> &find = m_service == Service::Dropbox    ? m_parts.locator.dropbox
                                           : m_service == Service::SkyDrive ? m_parts.locator.skyDrive
                                                                            : m_parts.locator.google;
    return find ? find() : QString();
}

void CloudFolderFlow::run()
{
    AppState &state = m_parts.state;
    UploadWindow &window = m_parts.window;
    if (!SendSteps::hasPhotos(state, m_parts.prompt))
        return;

    if (state.StartupPromptEnabled) {
        SyncFolders folders;
        auto call = [](const std::function<QString()> &f) { return f ? f() : QString(); };
        folders.google = call(m_parts.locator.google);
        folders.skyDrive = call(m_parts.locator.skyDrive);
        folders.dropbox = call(m_parts.locator.dropbox);
        const QString mine = m_service == Service::Dropbox    ? folders.dropbox
                             : m_service == Service::SkyDrive ? folders.skyDrive
                                                              : folders.google;
        if (mine.trimmed().isEmpty())
            m_parts.notices.showPluginsPrompt(folders);
    }

    if (!SendSteps::goOnline(state, window, m_parts.prompt))
        return;
    std::unique_ptr<CloudConnector> connector = m_connector();
    if (!SendSteps::signIn(state, window, m_parts.prompt, *connector))
        return;

    const QString syncFolder = locate();
    const QString chosen = m_parts.chooser.chooseAlbum(m_service, syncFolder, connector.get());
    window.setWindowEnabled(true);
    if (chosen.isEmpty())
        return;

    SendSteps::showProgress(window, state.PhotoTray->Count(), describe(m_service).pleaseWait);

    if (!syncFolder.trimmed().isEmpty()) {
        // Dropbox's folder is looked up once more: the lookup is what makes
        // the application's own folder inside it.
        copyLocally(m_service == Service::Dropbox ? locate() : syncFolder, chosen);
    } else {
        handToUploader(*connector, chosen);
    }
}

QString CloudFolderFlow::FreeCopyName(const QString &folder, const QString &sourcePath,
                                      const std::function<void()> &yield)
{
    const QString fileName = QFileInfo(sourcePath).fileName();
    const QDir destination(folder);
    if (!QFileInfo::exists(destination.filePath(fileName)))
        return fileName;
    // The extension is taken from the file name, not the whole path: a dot in
    // a folder's name must not put a folder separator into the new name.
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString extension = dot < 0 ? QString() : fileName.mid(dot);
    QString base = fileName;
    if (!extension.isEmpty())
        base.remove(extension);
    for (int counter = 1;; ++counter) {
        const QString candidate = base + u" (" + QString::number(counter) + u") " + extension;
        if (yield)
            yield();
        if (!QFileInfo::exists(destination.filePath(candidate)))
            return candidate;
    }
}

bool CloudFolderFlow::CopyPhoto(const QString &from, const QString &to, MetadataRule rule)
{
    // The desktop client sends whatever lands in its folder on to the
    // service, so a photo put there leaves the machine as surely as one the
    // uploader sends: the user's metadata choice applies here too. "Copied
    // unchanged" still holds for the picture, which is never re-encoded.
    if (rule == MetadataRule::Everything)
        return QFile::copy(from, to);
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError)
        return false;
    const SentPhoto sent = OriginalToSend(bytes, rule);
    if (sent.withheld.isEmpty() && sent.bytes == bytes)
        return QFile::copy(from, to);
    QFile target(to);
    if (!target.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    if (target.write(sent.bytes) != sent.bytes.size() || !target.flush()) {
        target.remove();
        return false;
    }
    return true;
}

void CloudFolderFlow::copyLocally(const QString &syncFolder, const QString &chosen)
{
    AppState &state = m_parts.state;
    UploadWindow &window = m_parts.window;
    const QString destination = QDir(syncFolder).filePath(chosen);
    if (!QFileInfo(destination).isDir())
        QDir().mkdir(destination);

    const auto yield = [&window] { window.processEvents(); };
    for (int i = 0; i < state.PhotoTray->Count(); ++i) {
        const QString path = state.PhotoTray->PhotoInfo(i, PhotoField::FilePath);
        if (path.isEmpty())
            continue;
        window.setPbrCaption(u"Copying " + QFileInfo(path).fileName());
        const QString name = FreeCopyName(destination, path, yield);
        if (!CopyPhoto(path, QDir(destination).filePath(name), MetadataRuleFor(state.KeepMetadata)))
            qWarning("A photo could not be copied into the sync folder");
        window.StepProgress();
        yield();
    }
    // The meter closes before "Done!" shows, so they are never on screen
    // together.
    window.ShowProgressPanel(false);
    m_parts.prompt.done();
    m_parts.shell.open(destination);
}

void CloudFolderFlow::handToUploader(CloudConnector &connector, const QString &chosen)
{
    AppState &state = m_parts.state;
    UploadWindow &window = m_parts.window;
    UploadLists lists;
    for (int i = 0; i < state.PhotoTray->Count(); ++i) {
        lists.append(state.PhotoTray->PhotoInfo(i, PhotoField::FilePath), {});
        window.StepProgress();
        window.processEvents();
    }
    // Dropbox names its folders by path; the others' targets are ids the
    // user never saw, so the service alone names the place.
    const QString place = m_service == Service::Dropbox    ? u"Dropbox / " + chosen
                          : m_service == Service::SkyDrive ? QStringLiteral("SkyDrive")
                                                           : QStringLiteral("Google Drive");
    if (!askAboutPhotosSentBefore(m_parts.prompt, m_parts.uploader, m_service, chosen, place, lists) ||
        lists.count == 0)
        return;
    switch (m_service) {
    case Service::Dropbox:
        m_parts.uploader.UploadToDropBox(connector.AccessToken(), connector.AccessTokenSecret(),
                                         lists.photoList, state.UploadSize, chosen);
        break;
    case Service::SkyDrive:
        m_parts.uploader.UploadToSkydrive(connector.AccessToken(), lists.photoList, state.UploadSize, chosen);
        break;
    case Service::Google:
        m_parts.uploader.UploadToGoogle(connector.AccessToken(), lists.photoList, state.UploadSize, chosen);
        break;
    case Service::Facebook:
    case Service::Flickr:
        break; // not cloud folders: their own flows hand them over
    }
    window.ShowProgressPanel(false);
    if (state.UploadPromptEnabled)
        m_parts.notices.showUploadPrompt();
    else
        m_parts.prompt.done();
    m_parts.shell.open(m_site);
}

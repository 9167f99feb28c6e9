#include "rclone/flows/RemoteFolderFlow.h"

#include "cloudfolders/flows/CloudClientNotices.h"
#include "cloudfolders/flows/FolderChooser.h"
#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "photoset/UploadWindow.h"
#include "photoset/clsTray.h"
#include "platform/Shell.h"
#include "rclone/RcloneConnector.h"
#include "rclone/RcloneNames.h"
#include "webkit/BackgroundUploader.h"
#include "webkit/ServiceId.h"

#include <QFileInfo>
#include <QStringList>

RemoteFolderFlow::RemoteFolderFlow(Parts parts, std::function<std::unique_ptr<RcloneConnector>()> connector,
                                   QString kind, std::optional<Service> service, QString site)
    : m_parts(std::move(parts)), m_connector(std::move(connector)), m_kind(std::move(kind)),
      m_service(service), m_site(std::move(site))
{
}

void RemoteFolderFlow::run()
{
    AppState &state = m_parts.state;
    UploadWindow &window = m_parts.window;
    if (!SendSteps::hasPhotos(state, m_parts.prompt) || !SendSteps::goOnline(state, window, m_parts.prompt))
        return;
    std::unique_ptr<RcloneConnector> connector = m_connector();
    if (!SendSteps::signIn(state, window, m_parts.prompt, *connector))
        return;

    const bool ownKind = !m_kind.isEmpty() && connector->type() == m_kind;
    const ServiceId chooserFor = ownKind && m_service ? ServiceId(*m_service) : connector->service();
    const QString chosen = m_parts.chooser.chooseAlbum(chooserFor, {}, connector.get());
    window.setWindowEnabled(true);
    if (chosen.isEmpty())
        return;
    // The Dropbox chooser answers the name as typed.
    const std::optional<QString> usable = RcloneNames::folderPath(chosen);
    if (!usable) {
        m_parts.prompt.systemMessage(QStringLiteral("\"%1\" cannot name a folder.").arg(chosen),
                                     MsgStyle::Information, QStringLiteral("Flazz"));
        return;
    }
    const QString folder = *usable;

    const int count = state.PhotoTray->Count();
    SendSteps::showProgress(window, count);

    // The names are decided now, from what the folder holds now, and travel
    // with the job: a photo sent again after a crash goes where it went the
    // first time, and two photos of one name both arrive.
    std::optional<RcloneNames> names = connector->namesIn(folder);
    if (!names) {
        window.ShowProgressPanel(false);
        return;
    }
    QStringList paths;
    QStringList remoteNames;
    for (int i = 0; i < count; ++i) {
        const QString path = state.PhotoTray->PhotoInfo(i, PhotoField::FilePath);
        paths << path;
        remoteNames << names->claim(QFileInfo(path).fileName());
        window.StepProgress();
        window.processEvents();
    }
    m_parts.uploader.UploadToRemote(connector->remote(), paths.join(u'\t'), remoteNames, state.UploadSize,
                                    folder);
    if (state.UploadPromptEnabled)
        m_parts.notices.showUploadPrompt();
    else
        m_parts.prompt.done();
    if (ownKind && !m_site.isEmpty())
        m_parts.shell.open(m_site);
    window.ShowProgressPanel(false);
}

#include "webservices/flows/WebUploadFlows.h"

#include "cloudfolders/flows/AlbumChooser.h"
#include "cloudfolders/flows/CloudClientNotices.h"
#include "cloudfolders/flows/SentBeforeQuestion.h"
#include "cloudfolders/flows/UploadLists.h"
#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/UserPrompt.h"
#include "photoset/UploadWindow.h"
#include "photoset/clsTray.h"
#include "platform/Shell.h"
#include "webkit/BackgroundUploader.h"
#include "webservices/FacebookAccount.h"
#include "webservices/FlickrAccount.h"

namespace {

// Steps the bar once per photo while the lists are built, letting the
// window paint each step; nothing waits on purpose, the hand-over is quick.
UploadLists gatherLists(AppState &state, UploadWindow &window)
{
    UploadLists lists;
    for (int i = 0; i < state.PhotoTray->Count(); ++i) {
        lists.append(state.PhotoTray->PhotoInfo(i, PhotoField::FilePath),
                     state.PhotoTray->PhotoInfo(i, PhotoField::Remarks));
        window.StepProgress();
        window.processEvents();
    }
    return lists;
}

void showProgress(UploadWindow &window, int maximum)
{
    window.setProgressRange(0, maximum);
    window.setProgressValue(0);
    window.ShowProgressPanel(true);
    window.setUpdateCaption(QStringLiteral("Progress..."));
    window.setPbrCaption(QStringLiteral("Please wait..."));
}

void closeUpload(WebUploadParts &parts, const QString &site)
{
    parts.window.processEvents();
    parts.window.ShowProgressPanel(false);
    if (parts.state.UploadPromptEnabled)
        parts.notices.showUploadPrompt();
    else
        parts.prompt.done();
    parts.shell.open(site);
}

bool hasPhotos(WebUploadParts &parts)
{
    if (parts.state.PhotoTray && parts.state.PhotoTray->Count() > 0)
        return true;
    funcMessageDisplay(parts.state, parts.prompt, MessageNo::EmptyPhotoSet);
    return false;
}

} // namespace

FacebookFlow::FacebookFlow(WebUploadParts parts, FacebookAccount &facebook, FolderChooser &chooser,
                           QString site)
    : m_parts(parts), m_facebook(facebook), m_chooser(chooser), m_site(std::move(site))
{
}

void FacebookFlow::run()
{
    if (!hasPhotos(m_parts))
        return;
    UploadWindow &window = m_parts.window;
    window.setWindowEnabled(false);
    window.ApplyDescription();
    window.processEvents();
    if (!m_parts.state.InternetAvailable) {
        m_parts.prompt.internetConnectionError();
        window.setWindowEnabled(true);
        return;
    }

    bool authorized = m_facebook.IsAuthoriseUserExist();
    if (!authorized) {
        m_facebook.DeleteFacebookUser();
        if (m_facebook.CreateFacebookAccount())
            authorized = m_facebook.IsAuthoriseUserExist();
    }
    if (!authorized) {
        funcMessageDisplay(m_parts.state, m_parts.prompt, MessageNo::AuthorizationUnsuccessful);
        window.setWindowEnabled(true);
        return;
    }

    const QString album = m_chooser.chooseAlbum(ChooserMode::Facebook, {}, &m_facebook);
    window.setWindowEnabled(true);
    if (album.isEmpty())
        return;

    showProgress(window, m_parts.state.PhotoTray->Count());
    UploadLists lists = gatherLists(m_parts.state, window);
    if (!askAboutPhotosSentBefore(m_parts.prompt, m_parts.uploader, QStringLiteral("Facebook"), album,
                                  QStringLiteral("Facebook"), lists) ||
        lists.count == 0) {
        window.ShowProgressPanel(false);
        return;
    }
    m_parts.uploader.UploadToFacebook(m_facebook.AccessToken(), lists.photoList, lists.remarksList,
                                      m_parts.state.UploadSize, QStringLiteral("ALL_FRIENDS"), album);
    closeUpload(m_parts, m_site);
}

FlickrFlow::FlickrFlow(WebUploadParts parts, std::function<std::unique_ptr<FlickrAccount>()> connector,
                       QString site)
    : m_parts(parts), m_connector(std::move(connector)), m_site(std::move(site))
{
}

void FlickrFlow::run()
{
    if (!hasPhotos(m_parts))
        return;
    UploadWindow &window = m_parts.window;
    window.ApplyDescription();
    window.setWindowEnabled(false);
    if (!m_parts.state.InternetAvailable) {
        m_parts.prompt.internetConnectionError();
        window.setWindowEnabled(true);
        return;
    }

    std::unique_ptr<FlickrAccount> flickr = m_connector();
    QString token = flickr->GetFlickrUserAuthCode();
    if (!flickr->CheckFlickrUser(token)) {
        flickr->CreateFlickrAccount();
        token = flickr->GetFlickrUserAuthCode();
    }
    window.processEvents();
    window.setWindowEnabled(true);
    if (token.isEmpty()) {
        funcMessageDisplay(m_parts.state, m_parts.prompt, MessageNo::AuthorizationUnsuccessful);
        return;
    }

    // One step more than there are photos: the bar stops short of full, as
    // the upload itself is still to come.
    showProgress(window, m_parts.state.PhotoTray->Count() + 1);
    UploadLists lists = gatherLists(m_parts.state, window);
    if (!askAboutPhotosSentBefore(m_parts.prompt, m_parts.uploader, QStringLiteral("Flickr"), {},
                                  QStringLiteral("Flickr"), lists) ||
        lists.count == 0) {
        window.ShowProgressPanel(false);
        return;
    }
    m_parts.uploader.UploadToFlickr(token, lists.photoList, lists.remarksList, m_parts.state.UploadSize);
    closeUpload(m_parts, m_site);
}

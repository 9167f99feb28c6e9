#include "webservices/flows/FacebookFlow.h"

#include "cloudfolders/flows/FolderChooser.h"
#include "cloudfolders/flows/SendSteps.h"
#include "cloudfolders/flows/SentBeforeQuestion.h"
#include "cloudfolders/flows/UploadLists.h"
#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/UserPrompt.h"
#include "photoset/UploadWindow.h"
#include "photoset/clsTray.h"
#include "webkit/BackgroundUploader.h"
#include "webservices/FacebookAccount.h"

FacebookFlow::FacebookFlow(WebUploadParts parts, FacebookAccount &facebook, FolderChooser &chooser,
                           QString site)
    : m_parts(parts), m_facebook(facebook), m_chooser(chooser), m_site(std::move(site))
{
}

void FacebookFlow::run()
{
    if (!SendSteps::hasPhotos(m_parts.state, m_parts.prompt))
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

    const QString album = m_chooser.chooseAlbum(Service::Facebook, {}, &m_facebook);
    window.setWindowEnabled(true);
    if (album.isEmpty())
        return;

    SendSteps::showProgress(window, m_parts.state.PhotoTray->Count());
    UploadLists lists = WebUpload::gatherLists(m_parts.state, window);
    if (!askAboutPhotosSentBefore(m_parts.prompt, m_parts.uploader, Service::Facebook, album,
                                  QStringLiteral("Facebook"), lists) ||
        lists.count == 0) {
        window.ShowProgressPanel(false);
        return;
    }
    m_parts.uploader.UploadToFacebook(m_facebook.AccessToken(), lists.photoList, lists.remarksList,
                                      m_parts.state.UploadSize, QStringLiteral("ALL_FRIENDS"), album);
    WebUpload::closeUpload(m_parts, m_site);
}

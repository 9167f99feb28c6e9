#include "webservices/flows/FlickrFlow.h"

#include "cloudfolders/flows/SendSteps.h"
#include "cloudfolders/flows/SentBeforeQuestion.h"
#include "cloudfolders/flows/UploadLists.h"
#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/UserPrompt.h"
#include "photoset/UploadWindow.h"
#include "photoset/clsTray.h"
#include "webkit/BackgroundUploader.h"
#include "webservices/FlickrAccount.h"

FlickrFlow::FlickrFlow(WebUploadParts parts, std::function<std::unique_ptr<FlickrAccount>()> connector,
                       QString site)
    : m_parts(parts), m_connector(std::move(connector)), m_site(std::move(site))
{
}

void FlickrFlow::run()
{
    if (!SendSteps::hasPhotos(m_parts.state, m_parts.prompt))
        return;
    UploadWindow &window = m_parts.window;
    if (!SendSteps::goOnline(m_parts.state, window, m_parts.prompt))
        return;

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
    SendSteps::showProgress(window, m_parts.state.PhotoTray->Count() + 1);
    UploadLists lists = WebUpload::gatherLists(m_parts.state, window);
    if (!askAboutPhotosSentBefore(m_parts.prompt, m_parts.uploader, Service::Flickr, {},
                                  QStringLiteral("Flickr"), lists) ||
        lists.count == 0) {
        window.ShowProgressPanel(false);
        return;
    }
    m_parts.uploader.UploadToFlickr(token, lists.photoList, lists.remarksList, m_parts.state.UploadSize);
    WebUpload::closeUpload(m_parts, m_site);
}

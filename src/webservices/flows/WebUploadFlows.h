#pragma once

#include "photoset/DestinationFlow.h"

#include <QString>

#include <functional>
#include <memory>

struct AppState;
class BackgroundUploader;
class CloudClientNotices;
class FacebookAccount;
class FlickrAccount;
class FolderChooser;
class UploadWindow;
class UserPrompt;
namespace platform {
class Shell;
}

// What the Facebook and Flickr buttons share: the main window, the user,
// the notices and the background uploader.
struct WebUploadParts
{
    AppState &state;
    UploadWindow &window;
    UserPrompt &prompt;
    platform::Shell &shell;
    CloudClientNotices &notices;
    BackgroundUploader &uploader;
};

// The Facebook button: sign in (again when the permissions were withdrawn),
// pick an album, hand the photos and their remarks to the background
// uploader, open the site. The connector is the main window's, kept for its
// whole life.
class FacebookFlow : public DestinationFlow
{
public:
    FacebookFlow(WebUploadParts parts, FacebookAccount &facebook, FolderChooser &chooser, QString site);
    void run() override;

private:
    WebUploadParts m_parts;
    FacebookAccount &m_facebook;
    FolderChooser &m_chooser;
    QString m_site;
};

// The Flickr button: check the stored token, sign in when it fails, hand the
// photos and their remarks to the background uploader, open the site.
class FlickrFlow : public DestinationFlow
{
public:
    FlickrFlow(WebUploadParts parts, std::function<std::unique_ptr<FlickrAccount>()> connector, QString site);
    void run() override;

private:
    WebUploadParts m_parts;
    std::function<std::unique_ptr<FlickrAccount>()> m_connector;
    QString m_site;
};

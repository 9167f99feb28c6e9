#include "webkit/Service.h"

#include "core/SettingsKeys.h"
#include "webkit/ServiceConfig.h"

namespace {

using namespace SettingsKey;

constexpr qint64 kMB = 1024 * 1024;
constexpr qint64 kGB = 1024 * kMB;

// SkyDrive's jobs have always been stored as "Live"; the queue outlives
// versions, so the text stays.
const std::array<ServiceDescriptor, ServiceCount> kServices{{
    // Graph API photo upload: over 4 MB is refused (error 1366046). No pixel
    // limit documented: it scales what it keeps.
    {.service = Service::Facebook,
     .displayName = u"Facebook",
     .storedName = u"Facebook",
     .commandName = u"facebook",
     .button = 0,
     .buttonName = u"btnFacebook",
     .toolTip = u"Flazz to Facebook",
     .chooserMode = 0,
     .signInModule = 0,
     .pleaseWait = true,
     .settingsRow = 0,
     .settingsLabel = u"Facebook:",
     .authorizationKeys = {FacebookID, FacebookAccessToken, nullptr},
     .site = [](const ServiceConfig &c) { return c.facebook.web; },
     .limits = {.fileBytes = 4 * kMB}},
    // Upload API: 10 MB a photo. No pixel limit documented.
    {.service = Service::Flickr,
     .displayName = u"Flickr",
     .storedName = u"Flickr",
     .commandName = u"flickr",
     .button = 1,
     .buttonName = u"btnFlickr",
     .toolTip = u"Flazz to Flickr",
     .chooserMode = -1,
     .signInModule = -1,
     .pleaseWait = true,
     .settingsRow = 1,
     .settingsLabel = u"Flickr:",
     .authorizationKeys = {FlickrAccessToken, nullptr, nullptr},
     .site = [](const ServiceConfig &c) { return c.flickr.site; },
     .limits = {.fileBytes = 10 * kMB}},
    // files_put: 150 MB a file. A file store: no pixel limit.
    {.service = Service::Dropbox,
     .displayName = u"Dropbox",
     .storedName = u"Dropbox",
     .commandName = u"dropbox",
     .button = 6,
     .buttonName = u"btnDropbox",
     .toolTip = u"Flazz to Dropbox",
     .chooserMode = 1,
     .signInModule = -1,
     .pleaseWait = true,
     .settingsRow = 4,
     .settingsLabel = u"Dropbox:",
     .authorizationKeys = {DropBoxUid, DropBoxToken, DropBoxTokenSecret},
     .site = [](const ServiceConfig &c) { return c.dropbox.web; },
     .limits = {.fileBytes = 150 * kMB}},
    // Drive v2 files.insert: "Maximum file size: 5,120 GB". A file store: no
    // pixel limit.
    {.service = Service::Google,
     .displayName = u"Google Drive",
     .storedName = u"Google",
     .commandName = u"google",
     .button = 7,
     .buttonName = u"btnGoogle",
     .toolTip = u"Flazz to Google Drive",
     .chooserMode = 3,
     .signInModule = 1,
     .pleaseWait = false,
     .settingsRow = 3,
     .settingsLabel = u"Google Drive:",
     .authorizationKeys = {GoogleRefreshToken, GoogleAccessToken, nullptr},
     .site = [](const ServiceConfig &c) { return c.google.site; },
     .limits = {.fileBytes = 5120 * kGB}},
    // Live v5.0 PUT: up to 100 MB. A file store: no pixel limit.
    {.service = Service::SkyDrive,
     .displayName = u"SkyDrive",
     .storedName = u"Live",
     .commandName = u"skydrive",
     .button = 4,
     .buttonName = u"btnSkyDrive",
     .toolTip = u"Flazz to Skydrive",
     .chooserMode = 2,
     .signInModule = 2,
     .pleaseWait = true,
     .settingsRow = 2,
     .settingsLabel = u"Skydrive:",
     .authorizationKeys = {SkyDriveRefreshToken, SkyDriveAccessToken, nullptr},
     .site = [](const ServiceConfig &c) { return c.live.site; },
     .limits = {.fileBytes = 100 * kMB}},
}};

} // namespace

QStringList ServiceDescriptor::authorizationKeyList() const
{
    QStringList keys;
    for (const char *key : authorizationKeys) {
        if (key)
            keys << QString::fromLatin1(key);
    }
    return keys;
}

const std::array<ServiceDescriptor, ServiceCount> &serviceDescriptors()
{
    return kServices;
}

const ServiceDescriptor &describe(Service service)
{
    return kServices.at(size_t(service));
}

std::optional<Service> serviceByCommandName(const QString &commandName)
{
    for (const ServiceDescriptor &d : kServices) {
        if (commandName.compare(QStringView(d.commandName), Qt::CaseInsensitive) == 0)
            return d.service;
    }
    return std::nullopt;
}

#include "webkit/Service.h"

#include "core/SettingsKeys.h"
#include "webkit/ServiceConfig.h"

namespace {

using namespace SettingsKey;

// SkyDrive's jobs have always been stored as "Live"; the queue outlives
// versions, so the text stays.
const std::array<ServiceDescriptor, ServiceCount> kServices{{
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
     .site = [](const ServiceConfig &c) { return c.facebook.web; }},
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
     .site = [](const ServiceConfig &c) { return c.flickr.site; }},
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
     .site = [](const ServiceConfig &c) { return c.dropbox.web; }},
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
     .site = [](const ServiceConfig &c) { return c.google.site; }},
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
     .site = [](const ServiceConfig &c) { return c.live.site; }},
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

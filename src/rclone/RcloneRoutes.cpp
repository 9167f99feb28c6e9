#include "rclone/RcloneRoutes.h"

#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"

namespace RcloneRoutes {

namespace {

const char *keyOf(Service service)
{
    switch (service) {
    case Service::Dropbox:
        return SettingsKey::RcloneDropbox;
    case Service::Google:
        return SettingsKey::RcloneGoogle;
    case Service::SkyDrive:
        return SettingsKey::RcloneSkyDrive;
    case Service::Facebook:
    case Service::Flickr:
        break;
    }
    return nullptr;
}

} // namespace

QString remoteType(Service service)
{
    switch (service) {
    case Service::Dropbox:
        return QStringLiteral("dropbox");
    case Service::Google:
        return QStringLiteral("drive");
    case Service::SkyDrive:
        return QStringLiteral("onedrive");
    case Service::Facebook:
    case Service::Flickr:
        break;
    }
    return {};
}

QString chosen(const QString &settingsFile, Service service)
{
    const char *key = keyOf(service);
    return key ? SettingsStore(settingsFile).readOr(QString::fromLatin1(key)).trimmed() : QString();
}

bool choose(const QString &settingsFile, Service service, const QString &remote)
{
    const char *key = keyOf(service);
    return key && SettingsStore(settingsFile).writeAdding(QString::fromLatin1(key), remote);
}

} // namespace RcloneRoutes

#include "rclone/RcloneRoutes.h"

#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"

namespace RcloneRoutes {

namespace {

QString keyOf(Button button)
{
    switch (button) {
    case Button::Dropbox:
        return QString::fromLatin1(SettingsKey::RcloneDropbox);
    case Button::Google:
        return QString::fromLatin1(SettingsKey::RcloneGoogle);
    case Button::SkyDrive:
        break;
    }
    return QString::fromLatin1(SettingsKey::RcloneSkyDrive);
}

} // namespace

QString remoteType(Button button)
{
    switch (button) {
    case Button::Dropbox:
        return QStringLiteral("dropbox");
    case Button::Google:
        return QStringLiteral("drive");
    case Button::SkyDrive:
        break;
    }
    return QStringLiteral("onedrive");
}

QString buttonText(Button button)
{
    switch (button) {
    case Button::Dropbox:
        return QStringLiteral("Dropbox");
    case Button::Google:
        return QStringLiteral("Google Drive");
    case Button::SkyDrive:
        break;
    }
    return QStringLiteral("SkyDrive");
}

QString chosen(const QString &settingsFile, Button button)
{
    return SettingsStore(settingsFile).readOr(keyOf(button)).trimmed();
}

bool choose(const QString &settingsFile, Button button, const QString &remote)
{
    return SettingsStore(settingsFile).writeAdding(keyOf(button), remote);
}

} // namespace RcloneRoutes

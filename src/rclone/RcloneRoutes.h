#pragma once

#include <QString>

// Which remote of the rclone configuration, if any, each cloud-folder button
// sends to in place of the service the program speaks itself. Only a remote
// of the button's own kind is offered for it.
namespace RcloneRoutes {

enum class Button
{
    Dropbox,
    Google,
    SkyDrive
};
inline constexpr Button kButtons[] = {Button::Dropbox, Button::Google, Button::SkyDrive};

// rclone's type for the button's service: "dropbox", "drive", "onedrive".
QString remoteType(Button button);
// What the user reads: "Dropbox", "Google Drive", "SkyDrive".
QString buttonText(Button button);

// The remote chosen for `button` in `settingsFile`; empty for the service.
QString chosen(const QString &settingsFile, Button button);
// Stores the choice at once; an empty `remote` goes back to the service.
bool choose(const QString &settingsFile, Button button, const QString &remote);

} // namespace RcloneRoutes

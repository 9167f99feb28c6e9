#pragma once

#include "webkit/Service.h"

#include <QString>

// Which remote of the rclone configuration, if any, each cloud-folder button
// sends to in place of the service the program speaks itself. Only a remote
// of the button's own kind is offered for it.
namespace RcloneRoutes {

// The services whose button may send through a remote, in Settings' order.
inline constexpr Service kRouted[] = {Service::Dropbox, Service::Google, Service::SkyDrive};

// rclone's type for the service: "dropbox", "drive", "onedrive"; empty for
// one no remote stands in for.
QString remoteType(Service service);

// The remote chosen for `service`'s button in `settingsFile`; empty for the
// service itself.
QString chosen(const QString &settingsFile, Service service);
// Stores the choice at once; an empty `remote` goes back to the service.
bool choose(const QString &settingsFile, Service service, const QString &remote);

} // namespace RcloneRoutes

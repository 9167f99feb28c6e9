#pragma once

namespace platform {

// Whether the desktop shows notification-area icons through the
// StatusNotifierItem service on the session bus (today's desktops) rather
// than the classic tray. Qt's own tray icon asks the same question when it
// is made. False without a session bus.
bool statusNotifierHostRegistered();

} // namespace platform

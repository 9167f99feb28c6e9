#pragma once

#include <QObject>

#include <functional>

namespace platform {

// Runs `onStop` on `context`'s thread, through its event loop, when the user
// or the system asks the process to end: Ctrl+C, a terminate request, the
// terminal or console going away. Meant for long-running helpers (the
// sandbox) that must close their listening sockets and files on the way out.
// Call once per process.
void onStopRequest(QObject *context, std::function<void()> onStop);

// Runs `onClosed` on `context`'s thread when standard input reaches its end,
// the sign that the program which started this one (holding the other end of
// a pipe) has gone, however it went. Whatever arrives on standard input
// before that is read and ignored.
void onStandardInputClosed(QObject *context, std::function<void()> onClosed);

} // namespace platform

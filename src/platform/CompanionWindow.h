#pragma once

#include <QString>

namespace platform {

// The name the companion program listens under.
inline constexpr char kCompanionName[] = "FlazzCom";

// Asks the companion program, when it runs, to close: it listens on a local
// socket of that name and closes on the word "close". Returns true when the
// request was delivered; false (and nothing happens) when no companion runs.
// Waits at most `timeoutMs` for each step, so an unload is never held up.
bool closeCompanion(const QString &name = QString::fromLatin1(kCompanionName), int timeoutMs = 250);

} // namespace platform

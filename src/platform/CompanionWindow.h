#pragma once

#include <QString>

namespace platform {

// The name the companion program listens under when nothing names the data
// folder it serves.
inline constexpr char kCompanionName[] = "FlazzCom";

// This user's own folder for what running programs share with each other
// (locks, local sockets): the session's runtime folder, readable and
// writable by its owner only, made so when it has to be made here. Under
// FLAZZ_SHELL_ROOT it lives there, so that tests keep to themselves.
QString runtimeFolder();

// The companion of the data folder `dataFolder`: a local socket in the
// runtime folder, named by the folder, so that two data folders (or two
// users) each have their own uploader and never take each other's.
QString companionName(const QString &dataFolder);
// The lock that keeps one companion per data folder.
QString companionLockPath(const QString &dataFolder);

// Asks the companion program, when it runs, to close: it listens on a local
// socket of that name and closes on the word "close". Returns true when the
// request was delivered; false (and nothing happens) when no companion runs.
// Waits at most `timeoutMs` for each step, so an unload is never held up.
bool closeCompanion(const QString &name = QString::fromLatin1(kCompanionName), int timeoutMs = 250);

// True when a companion listens under `name` right now.
bool companionListening(const QString &name, int timeoutMs = 250);

} // namespace platform

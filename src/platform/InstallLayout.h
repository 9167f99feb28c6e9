#pragma once

#include <QString>

namespace platform {

// Where the program's own files are. An installed tree keeps them under one
// prefix, wherever that is (/usr, /usr/local, a staging folder): programs in
// bin/, helpers in libexec/flazz/, read-only data in share/flazz/. Each is
// found from the running program's folder, never from a path fixed at build
// time. `programFolder` stands for that folder when given (tests).

// Helper program `name` (flazz-uploader, ...): the installed one in
// libexec/flazz/, or else the one beside the program, as the build folder
// has them.
QString helperProgram(const QString &name, const QString &programFolder = {});

// share/flazz/ of the tree the program was installed in, or an empty string
// when it runs from its build folder.
QString installedDataFolder(const QString &programFolder = {});

} // namespace platform

#pragma once

#include <QString>

namespace platform {

// Shell folder identifiers, numbered as the Windows shell numbers them so that
// callers read like the rest of the program ("desktop is 16").
enum class ShellFolder : int
{
    Desktop = 0,
    Startup = 7, // the programs started when the user logs in
    DesktopDirectory = 16,
    LocalAppData = 28,
    InternetCache = 32,
    CommonAppData = 35,
    ProgramFiles = 38,
};

// The folder's absolute path without a trailing separator, or an empty string
// when the platform has no such folder. Nothing is created.
//
// When FLAZZ_SHELL_ROOT is set every folder lives below it (one subfolder per
// kind), which lets tests and the sandbox run without touching the user's
// real desktop or data.
QString shellFolder(ShellFolder which);

// Native separators are not used anywhere in the program: paths are built with
// "/" and Qt maps them. This is the one separator every path joins with.
inline constexpr QChar kPathSeparator = QLatin1Char('/');

} // namespace platform

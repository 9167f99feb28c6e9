#include "platform/ShellFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace platform {

namespace {

QString overrideRoot()
{
    return qEnvironmentVariable("FLAZZ_SHELL_ROOT");
}

QString subfolderName(ShellFolder which)
{
    switch (which) {
    case ShellFolder::Desktop:
    case ShellFolder::DesktopDirectory:
        return QStringLiteral("Desktop");
    case ShellFolder::Startup:
        return QStringLiteral("Startup");
    case ShellFolder::LocalAppData:
        return QStringLiteral("LocalAppData");
    case ShellFolder::InternetCache:
        return QStringLiteral("InternetCache");
    case ShellFolder::CommonAppData:
        return QStringLiteral("CommonAppData");
    case ShellFolder::ProgramFiles:
        return QStringLiteral("ProgramFiles");
    }
    return {};
}

QString standardFolder(ShellFolder which)
{
    switch (which) {
    case ShellFolder::Desktop:
    case ShellFolder::DesktopDirectory:
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    case ShellFolder::Startup:
#ifdef Q_OS_WIN
        return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + u"/Startup";
#else
        // The desktops' shared convention (XDG autostart).
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/autostart";
#endif
    case ShellFolder::LocalAppData:
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    case ShellFolder::InternetCache:
        return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    case ShellFolder::CommonAppData:
#ifdef Q_OS_WIN
        return qEnvironmentVariable("ProgramData");
#else
        // No all-users folder is writable for an ordinary user here; the
        // user's own data location is the closest honest match.
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#endif
    case ShellFolder::ProgramFiles:
#ifdef Q_OS_WIN
        return qEnvironmentVariable("ProgramFiles");
#else
        return QStringLiteral("/opt");
#endif
    }
    return {};
}

} // namespace

QString shellFolder(ShellFolder which)
{
    const QString root = overrideRoot();
    const QString path =
        root.isEmpty() ? standardFolder(which) : root + kPathSeparator + subfolderName(which);
    return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

} // namespace platform

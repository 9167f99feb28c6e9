#pragma once

#include <QString>

namespace platform {

enum class Hive
{
    CurrentUser
};

// Reads one string value; `fallback` unless every step succeeds and the value
// is non-empty. On Windows this is the registry; elsewhere an INI file stands
// for HKEY_CURRENT_USER (see registryFilePath()), with one section per sub-key:
//
//   [Software\Skype\Phone]
//   SkypePath=/usr/bin/skype
QString GetRegString(Hive hive, const QString &subKey, const QString &valueName,
                     const QString &fallback = {});

// Where the INI stand-in lives: FLAZZ_REGISTRY_FILE when set, otherwise
// "<user config folder>/Flazz/HKEY_CURRENT_USER.ini".
QString registryFilePath();

} // namespace platform

#include "core/AppState.h"

void AppState::setFolders(const QString &commonAppData)
{
    AppDataFolder = commonAppData + QStringLiteral("/Korvantis/Flazz/");
    ResourcesFolder = AppDataFolder + QStringLiteral("Resources/");
    DataFolder = AppDataFolder + QStringLiteral("Data/");
    SettingsFile = DataFolder + QStringLiteral("Settings.xml");
}

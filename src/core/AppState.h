#pragma once

#include <QString>

class clsTray;
class cGDIpToken;

// The process-wide values of the program, gathered in one place. `Main`
// creates the one instance and hands it by reference to everything that needs
// it; tests build their own. Nothing else in the program is global.
struct AppState
{
    // Start-up
    QString CommandLine;
    QString AppDataFolder;   // ends with "/"
    QString ResourcesFolder; // AppDataFolder + "Resources/"
    QString DataFolder;      // AppDataFolder + "Data/"
    QString SettingsFile;    // DataFolder + "Settings.xml"

    // Settings read at start-up (and changed by the main and Settings windows)
    int UploadSize = 0; // longest side in pixels; 0 = original size
    int Skin = 0;
    bool UploadPromptEnabled = false;
    bool StartupPromptEnabled = false;
    // Photos leave with their location and camera details (GPS, serial
    // numbers, maker notes, thumbnails) instead of only their story.
    bool KeepMetadata = false;

    bool InternetAvailable = true;
    short MaxPhotos = 100;
    QString SkypePath;

    // Window state shared by the windows and the tray
    bool ModalFormOpen = false;
    bool TrayBusy = false;
    bool NoteSuppressed = false;

    // Photo set bookkeeping of the main window
    double TotalSize = 0;
    bool AddCancelled = false;
    bool ShowFolderProgress = false;

    // Owned by Main; null until created.
    clsTray *PhotoTray = nullptr;
    cGDIpToken *GdiplusToken = nullptr;

    // Derives the four folder values from the all-users data folder (empty
    // when the shell could not name it). Creates nothing.
    void setFolders(const QString &commonAppData);
};

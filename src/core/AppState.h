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

    // What the tray must know of the windows: a modal window is up, or a
    // window the tray itself opened.
    bool ModalFormOpen = false;
    bool TrayBusy = false;
    // "Don't show this message again" of the upload-size note. It outlives
    // the note and is shared by the main window's and the Settings window's
    // lists, for this run only (never stored).
    bool NoteSuppressed = false;

    // Owned by Main; null until created.
    clsTray *PhotoTray = nullptr;
    cGDIpToken *GdiplusToken = nullptr;

    // Derives the four folder values from the all-users data folder (empty
    // when the shell could not name it). Creates nothing.
    void setFolders(const QString &commonAppData);
};

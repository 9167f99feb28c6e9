#pragma once

#include <QString>

#include <stdexcept>

struct AppState;

// Where each desktop client keeps its local folder in step with the user's
// online storage, found without any network traffic from the client's own
// registry values and files. Every path ends with "/"; an empty path means
// the client is not installed (or not set up) for this user.

// Raised when a sync folder (or one of its parents the program keeps) is
// missing and cannot be made: the client named a folder whose parent is gone.
class SyncFolderError : public std::runtime_error
{
public:
    explicit SyncFolderError(const QString &folder)
        : std::runtime_error("Cannot create the folder " + folder.toStdString()), m_folder(folder)
    {
    }
    const QString &folder() const { return m_folder; }

private:
    QString m_folder;
};

// The program's own folder inside the Dropbox folder ("Apps/Flazz/"), each
// level created when missing. Read from the client's "host.db", which the
// registry value "InstallPath" of "Software\Dropbox" leads to.
QString GetDropboxFolder();

// The Google Drive folder, read from a copy of the client's
// "sync_config.db" ("gtemp.db" in the resources folder, gone again before
// this returns, whatever happens).
QString GetGoogleDriveFolder(const AppState &state);

// The SkyDrive folder named by "UserFolder" of "Software\Microsoft\SkyDrive",
// created when missing.
QString GetSkyDriveFolder();

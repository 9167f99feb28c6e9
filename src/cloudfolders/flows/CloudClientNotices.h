#pragma once

#include <QString>

// The sync folders of the three desktop clients, as the locator found them;
// empty where a client is missing.
struct SyncFolders
{
    QString dropbox;
    QString skyDrive;
    QString google;
};

// The two notices of the cloud-folder buttons: which desktop clients are
// missing (with their download pages), and that the photos go on uploading
// in the background. Each lets the user switch it off for good; the windows
// write that to the settings. Shown modally.
class CloudClientNotices
{
public:
    virtual ~CloudClientNotices() = default;
    virtual void showPluginsPrompt(const SyncFolders &folders) = 0;
    virtual void showUploadPrompt() = 0;
};

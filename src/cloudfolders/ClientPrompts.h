#pragma once

#include "cloudfolders/SyncFolders.h"

// The two notices of the cloud-folder and web upload flows. The windows
// implement them; each has a "Don't show this message again" box whose
// choice the window writes to the settings file and AppState.
class ClientPrompts
{
public:
    virtual ~ClientPrompts() = default;

    // frmPluginsPrompt: which desktop clients are installed (a non-empty
    // folder in `folders`) and the download page of each missing one.
    // Returns once the user closed it.
    virtual void showPluginsPrompt(const SyncFolderPaths &folders) = 0;

    // frmShowUploadPrompt: the photos went to the background uploader and
    // may take a while. Returns once the user closed it.
    virtual void showUploadPrompt() = 0;
};

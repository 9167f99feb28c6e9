#include "webservices/flows/WebUploadParts.h"

#include "cloudfolders/flows/CloudClientNotices.h"
#include "cloudfolders/flows/UploadLists.h"
#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "photoset/UploadWindow.h"
#include "photoset/clsTray.h"
#include "platform/Shell.h"

namespace WebUpload {

UploadLists gatherLists(AppState &state, UploadWindow &window)
{
    UploadLists lists;
    for (int i = 0; i < state.PhotoTray->Count(); ++i) {
        lists.append(state.PhotoTray->PhotoInfo(i, PhotoField::FilePath),
                     state.PhotoTray->PhotoInfo(i, PhotoField::Remarks));
        window.StepProgress();
        window.processEvents();
    }
    return lists;
}

void closeUpload(WebUploadParts &parts, const QString &site)
{
    parts.window.processEvents();
    parts.window.ShowProgressPanel(false);
    if (parts.state.UploadPromptEnabled)
        parts.notices.showUploadPrompt();
    else
        parts.prompt.done();
    parts.shell.open(site);
}

} // namespace WebUpload

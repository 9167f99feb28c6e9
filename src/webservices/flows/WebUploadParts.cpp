#include "webservices/flows/WebUploadParts.h"

#include "cloudfolders/flows/CloudClientNotices.h"
#include "cloudfolders/flows/UploadLists.h"
#include "core/AppState.h"
#include "core/MessageCatalog.h"
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

void showProgress(UploadWindow &window, int maximum)
{
    window.setProgressRange(0, maximum);
    window.setProgressValue(0);
    window.ShowProgressPanel(true);
    window.setUpdateCaption(QStringLiteral("Progress..."));
    window.setPbrCaption(QStringLiteral("Please wait..."));
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

bool hasPhotos(WebUploadParts &parts)
{
    if (parts.state.PhotoTray && parts.state.PhotoTray->Count() > 0)
        return true;
    funcMessageDisplay(parts.state, parts.prompt, MessageNo::EmptyPhotoSet);
    return false;
}

} // namespace WebUpload

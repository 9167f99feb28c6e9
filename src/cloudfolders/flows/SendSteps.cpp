#include "cloudfolders/flows/SendSteps.h"

#include "cloudfolders/CloudConnector.h"
#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/UserPrompt.h"
#include "photoset/UploadWindow.h"
#include "photoset/clsTray.h"

namespace SendSteps {

bool hasPhotos(AppState &state, UserPrompt &prompt)
{
    if (state.PhotoTray && state.PhotoTray->Count() > 0)
        return true;
    funcMessageDisplay(state, prompt, MessageNo::EmptyPhotoSet);
    return false;
}

bool goOnline(AppState &state, UploadWindow &window, UserPrompt &prompt)
{
    window.ApplyDescription();
    window.setWindowEnabled(false);
    if (state.InternetAvailable)
        return true;
    prompt.internetConnectionError();
    window.setWindowEnabled(true);
    return false;
}

bool signIn(AppState &state, UploadWindow &window, UserPrompt &prompt, CloudConnector &connector)
{
    bool authorized = connector.IsAuthoriseUserExist();
    if (!authorized && connector.CreateAccount())
        authorized = connector.IsAuthoriseUserExist();
    if (authorized)
        return true;
    funcMessageDisplay(state, prompt, MessageNo::AuthorizationUnsuccessful);
    window.setWindowEnabled(true);
    return false;
}

void showProgress(UploadWindow &window, int maximum, bool pleaseWait)
{
    window.setProgressRange(0, maximum);
    window.setProgressValue(0);
    window.ShowProgressPanel(true);
    window.setUpdateCaption(QStringLiteral("Progress..."));
    if (pleaseWait)
        window.setPbrCaption(QStringLiteral("Please wait..."));
}

} // namespace SendSteps

#pragma once

struct AppState;
class BackgroundUploader;
class CloudClientNotices;
class CloudConnector;
class FolderChooser;
class UploadWindow;
class UserPrompt;
namespace platform {
class Shell;
}

// What a folder button's flow works with, whether it sends through the
// service's own connector or through a remote of rclone's.
struct FolderFlowParts
{
    AppState &state;
    UploadWindow &window;
    UserPrompt &prompt;
    platform::Shell &shell;
    FolderChooser &chooser;
    CloudClientNotices &notices;
    BackgroundUploader &uploader;
};

// The steps every button that sends through the background uploader opens
// with, kept in one place so the buttons cannot drift apart in what they
// check before the user is asked anything.
namespace SendSteps {
// True when the photo set has photos; otherwise says so (message 65).
bool hasPhotos(AppState &state, UserPrompt &prompt);
// Takes the description into the set and locks the window for the sign-in
// to come. False when there is no internet: said so, the window unlocked.
bool goOnline(AppState &state, UploadWindow &window, UserPrompt &prompt);
// Runs the sign-in dialogue when no stored sign-in works. False when there
// is still none: said so, the window unlocked.
bool signIn(AppState &state, UploadWindow &window, UserPrompt &prompt, CloudConnector &connector);
// The progress panel, from 0 to `maximum`, saying "Please wait..." when
// `pleaseWait`.
void showProgress(UploadWindow &window, int maximum, bool pleaseWait = true);
} // namespace SendSteps

#pragma once

#include <QString>

struct AppState;
class BackgroundUploader;
class CloudClientNotices;
class UploadWindow;
class UserPrompt;
struct UploadLists;
namespace platform {
class Shell;
}

// What the Facebook and Flickr buttons share: the main window, the user,
// the notices and the background uploader.
struct WebUploadParts
{
    AppState &state;
    UploadWindow &window;
    UserPrompt &prompt;
    platform::Shell &shell;
    CloudClientNotices &notices;
    BackgroundUploader &uploader;
};

// The steps both buttons take alike.
namespace WebUpload {
// The photo and remarks lists, one step of the bar per photo, letting the
// window paint each step; nothing waits on purpose, the hand-over is quick.
UploadLists gatherLists(AppState &state, UploadWindow &window);
// Hides the panel, tells the user the photos are on their way and opens `site`.
void closeUpload(WebUploadParts &parts, const QString &site);
} // namespace WebUpload

#pragma once

#include "photoset/DestinationFlow.h"
#include "photoset/ZipExport.h"

#include <QString>

struct AppState;
struct FileDialogRequest;
class UploadWindow;
class UserPrompt;

namespace platform {
class Shell;
}

// Finds the Skype program and sets SkypePath: the path stored in the settings
// when that file exists, else the one Skype's installer left in the registry
// when that file exists (it is not copied into the settings), else empty and
// false.
bool GetSkypePath(AppState &state);

// The file dialog of the Skype locator window.
FileDialogRequest SkypeDialogRequest();

// Takes the program the user located: SkypePath and the settings. It is not
// tested here; the next GetSkypePath() does that.
void RememberSkypePath(AppState &state, const QString &path);

// The command line Skype is started with: "/sendto: " and the archive in
// double quotes, then one blank.
QString SkypeArguments(const QString &archivePath);

// The desktop's "Flazz/Skype" folder, without a trailing separator.
QString SkypeFolder();

// The Share via Skype button: the photo set packed as the Zip button packs
// it, into the desktop's "Flazz/Skype" folder, handed to Skype's "/sendto:".
class SkypeSender : public DestinationFlow
{
public:
    SkypeSender(AppState &state, UploadWindow &window, UserPrompt &prompt, platform::Shell &shell,
                Clock clock = {});

    void run() override;

    QString lastArchive() const { return m_lastArchive; }

private:
    AppState &m_state;
    UploadWindow &m_window;
    UserPrompt &m_prompt;
    platform::Shell &m_shell;
    Clock m_clock;
    QString m_lastArchive;
    bool m_running = false;
};

#pragma once

#include "photoset/ZipExport.h"

#include <QString>

struct FileDialogRequest;
class SkypeLocator;

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
class SkypeSender : public ArchiveFlow
{
public:
    SkypeSender(AppState &state, UploadWindow &window, UserPrompt &prompt, platform::Shell &shell,
                Clock clock = {});

    // Who asks the user where Skype is; without one, the file dialog opens
    // straight away. Not owned.
    void setLocator(SkypeLocator *locator) { m_locator = locator; }

protected:
    // Skype located (asking the user when it is not found) and the internet
    // reachable.
    bool ready() override;
    QString archiveFolder() const override;
    void showProgress(int photoCount) override;
    void finish(const QString &folder, const QString &archive, bool written) override;

private:
    SkypeLocator *m_locator = nullptr;
};

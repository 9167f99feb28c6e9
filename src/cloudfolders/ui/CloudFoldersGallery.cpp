#include "cloudfolders/ui/CloudFoldersGallery.h"

#include "cloudfolders/ui/frmPluginsPrompt.h"
#include "cloudfolders/ui/frmShowUploadPrompt.h"
#include "core/ui/Gallery.h"
#include "platform/Shell.h"

#include <memory>

namespace {

// The gallery only draws; a click would open nothing.
class NoShell : public platform::Shell
{
public:
    bool open(const QString &) override { return false; }
    bool startProgram(const QString &, const QString &, const QString &) override { return false; }
};

} // namespace

void registerCloudFoldersWindows(Gallery &gallery)
{
    static NoShell shell;
    // Drawn as the Dropbox flow shows it: only Dropbox's client is missing.
    gallery.add(QStringLiteral("frmPluginsPrompt"), [](AppState &state) {
        SyncFolderPaths folders{QString(), QStringLiteral("/home/user/Google Drive/"),
                                QStringLiteral("/home/user/SkyDrive/")};
        return std::make_unique<frmPluginsPrompt>(state, folders, ServiceConfig::defaults().desktopClients,
                                                  shell);
    });
    gallery.add(QStringLiteral("frmShowUploadPrompt"),
                [](AppState &state) { return std::make_unique<frmShowUploadPrompt>(state); });
}

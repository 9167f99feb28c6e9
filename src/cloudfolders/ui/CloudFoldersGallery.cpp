#include "cloudfolders/ui/CloudFoldersGallery.h"

#include "cloudfolders/ui/frmAlbums.h"
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

// A prompt that owns the shell it was given.
class GalleryPluginsPrompt : public frmPluginsPrompt
{
public:
    GalleryPluginsPrompt(AppState &state, std::unique_ptr<NoShell> shell, const SyncFolders &folders)
        : frmPluginsPrompt(state, folders, ServiceConfig::defaults().desktopClients, *shell),
          m_shell(std::move(shell))
    {
    }

private:
    std::unique_ptr<NoShell> m_shell;
};

} // namespace

void registerCloudFoldersWindows(Gallery &gallery)
{
    gallery.add(QStringLiteral("frmAlbums"), [](AppState &state) -> std::unique_ptr<QWidget> {
        const QList<AlbumEntry> albums{{QStringLiteral(" --Default (Flazz)--"), QStringLiteral("me")},
                                       {QStringLiteral("Holidays 2026"), QStringLiteral("1")}};
        return std::make_unique<frmAlbums>(state, Service::Facebook, albums, true, nullptr);
    });
    gallery.add(QStringLiteral("frmAlbums-Dropbox"), [](AppState &state) -> std::unique_ptr<QWidget> {
        return std::make_unique<frmAlbums>(state, Service::Dropbox, QList<AlbumEntry>{}, false, nullptr);
    });
    // Drawn as the Dropbox button shows it: only Dropbox's client is missing.
    gallery.add(QStringLiteral("frmPluginsPrompt"), [](AppState &state) -> std::unique_ptr<QWidget> {
        const SyncFolders folders{QString(), QStringLiteral("/home/user/SkyDrive/"),
                                  QStringLiteral("/home/user/Google Drive/")};
        return std::make_unique<GalleryPluginsPrompt>(state, std::make_unique<NoShell>(), folders);
    });
    gallery.add(QStringLiteral("frmShowUploadPrompt"), [](AppState &state) -> std::unique_ptr<QWidget> {
        return std::make_unique<frmShowUploadPrompt>(state);
    });
}

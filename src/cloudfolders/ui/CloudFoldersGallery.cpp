#include "cloudfolders/ui/CloudFoldersGallery.h"

#include "cloudfolders/ui/frmAlbums.h"
#include "core/ui/Gallery.h"

void registerCloudFoldersWindows(Gallery &gallery)
{
    gallery.add(QStringLiteral("frmAlbums"), [](AppState &state) -> std::unique_ptr<QWidget> {
        const QList<AlbumEntry> albums{{QStringLiteral(" --Default (Flazz)--"), QStringLiteral("me")},
                                       {QStringLiteral("Holidays 2026"), QStringLiteral("1")}};
        return std::make_unique<frmAlbums>(state, ChooserMode::Facebook, albums, true, nullptr);
    });
    gallery.add(QStringLiteral("frmAlbums-Dropbox"), [](AppState &state) -> std::unique_ptr<QWidget> {
        return std::make_unique<frmAlbums>(state, ChooserMode::Dropbox, QList<AlbumEntry>{}, false, nullptr);
    });
}

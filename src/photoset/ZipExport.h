#pragma once

#include "photoset/ArchiveFlow.h"

#include <QString>

// The desktop's "Flazz" folder, without a trailing separator.
QString ZipFolder();

// What the closing note says beside "Done!": the archive's file name and,
// on a line of its own, its folder.
QString ArchiveLocation(const QString &archive);

// The Zip button: the photo set, scaled to the upload size, packed into a
// dated archive in the desktop's "Flazz" folder, which is then opened, and a
// note that says where the archive is.
class ZipExport : public ArchiveFlow
{
public:
    ZipExport(AppState &state, UploadWindow &window, UserPrompt &prompt, platform::Shell &shell,
              Clock clock = {});

protected:
    QString archiveFolder() const override;
    void showProgress(int photoCount) override;
    void finish(const QString &folder, const QString &archive, bool written) override;
};

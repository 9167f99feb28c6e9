#pragma once

#include "photoset/ArchiveFlow.h"

#include <QString>

// The desktop's "Flazz" folder, without a trailing separator.
QString ZipFolder();

// The Zip button: the photo set, scaled to the upload size, packed into a
// dated archive in the desktop's "Flazz" folder, which is then opened.
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

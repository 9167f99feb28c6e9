#pragma once

#include "webkit/ServiceId.h"

#include <QString>

class AlbumSource;

// The album and folder chooser as flows see it: shows it for `service` (a fixed one or a remote of rclone's)
// and returns the answer, empty when the user cancelled. QtFolderChooser implements it.
class FolderChooser
{
public:
    virtual ~FolderChooser() = default;
    virtual QString chooseAlbum(const ServiceId &service, const QString &syncFolder, AlbumSource *source) = 0;
};

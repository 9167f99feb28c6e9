#pragma once

#include "webkit/Service.h"

#include <QString>

class AlbumSource;

// The album and folder chooser as flows see it: shows it for `service` and
// returns the answer, empty when the user cancelled. QtFolderChooser
// implements it.
class FolderChooser
{
public:
    virtual ~FolderChooser() = default;
    virtual QString chooseAlbum(Service service, const QString &syncFolder, AlbumSource *source) = 0;
};

#pragma once

#include <QList>
#include <QString>

// One entry of an album or folder list: what the user reads and the value
// that travels on (an album id, a folder id or a folder name).
struct AlbumEntry
{
    QString text;  // ListText
    QString cargo; // ListCargo
};

// What the album and folder chooser sees of a service: its existing albums
// or folders, and a way to make a new one. Facebook, Flickr, Dropbox, Google
// Drive and SkyDrive connectors implement it.
class AlbumSource
{
public:
    virtual ~AlbumSource() = default;

    // The service's albums or folders in the service's order; empty when
    // there are none or the listing failed (the connector has told the user).
    virtual QList<AlbumEntry> albums() = 0;

    // Creates an album or folder called `name` and returns its cargo; empty
    // when it could not be made (the connector has told the user).
    virtual QString createAlbum(const QString &name) = 0;
};

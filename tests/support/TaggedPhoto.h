#pragma once

#include <QByteArray>
#include <QMap>
#include <QSize>
#include <QString>

// Photos as a camera or a phone leaves them, for the tests of what metadata
// leaves the machine: the date taken (with offset and sub-seconds), artist,
// copyright, description, an ICC profile and the orientation, next to a GPS
// position (Exif and XMP), camera and lens serial numbers, the owner's name,
// a Canon maker note, an Exif thumbnail, IPTC and XMP location fields and a
// preview appended after the picture. Written with exiv2 and by hand, never
// with the code under test.
namespace tagged {

QByteArray jpeg(QSize size = QSize(1200, 800), int orientation = 1);
QByteArray png(QSize size = QSize(900, 600));

// `jpeg` with an Exif block that holds nothing but `orientation`, right
// after the start-of-image marker.
QByteArray withOrientation(const QByteArray &jpeg, int orientation);

// Every Exif, XMP and IPTC key an independent reader (exiv2's own file
// parser) finds in `photo`, with its value as text; "icc" holds the size of
// the colour profile, when there is one.
QMap<QString, QString> readBack(const QByteArray &photo);

// A JPEG's compressed picture: from its first scan to the end-of-image
// marker.
QByteArray scanData(const QByteArray &jpeg);

// Keys that must never leave under the default rule, and keys that must.
inline const char *const kSecretKeys[] = {
    "Exif.GPSInfo.GPSLatitude",   "Exif.Photo.BodySerialNumber", "Exif.Photo.LensSerialNumber",
    "Exif.Photo.CameraOwnerName", "Exif.Canon.SerialNumber",     "Exif.Thumbnail.JPEGInterchangeFormat",
    "Xmp.exif.GPSLatitude",       "Xmp.photoshop.City",          "Xmp.aux.SerialNumber",
    "Iptc.Application2.City",
};
inline const char *const kStoryKeys[] = {
    "Exif.Photo.DateTimeOriginal",
    "Exif.Photo.OffsetTimeOriginal",
    "Exif.Photo.SubSecTimeOriginal",
    "Exif.Image.Artist",
    "Exif.Image.Copyright",
    "Exif.Image.ImageDescription",
    "Xmp.dc.subject",
    "Iptc.Application2.Caption",
    "icc",
};

} // namespace tagged

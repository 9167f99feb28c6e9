#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What a photo's metadata may take along when its bytes leave the machine.
// Every road out (Zip, Skype, the uploader, the print service, a cloud
// client's sync folder) goes through the functions below, so the rule lives
// here and nowhere else.
//
// StoryOnly, the default, keeps what tells the photo's story: the date and
// time taken (offset and sub-seconds included), the orientation, the ICC
// colour profile, artist, copyright, the description, the camera's exposure
// figures and comments. It withholds what gives away where the user was and
// whose camera it is:
//   "gps"        the Exif GPS block and XMP GPS fields
//   "serial"     camera and lens serial numbers
//   "owner"      the camera owner's name
//   "makernote"  maker notes, and the camera makers' own segments
//   "thumbnail"  embedded thumbnails and previews (they can show an older,
//                uncropped picture), extended XMP, images appended after
//                the picture's end
//   "location"   XMP and IPTC city, state, country and location fields
//   "unreadable" metadata that cannot be decoded, so cannot be checked
// Everything sends all of it (the user's "Send location and camera details").
enum class MetadataRule
{
    StoryOnly,
    Everything
};

inline MetadataRule MetadataRuleFor(bool keepEverything)
{
    return keepEverything ? MetadataRule::Everything : MetadataRule::StoryOnly;
}

struct SentPhoto
{
    QByteArray bytes;
    QStringList withheld; // the kinds above that were taken out, in that order
};

// A photo's own file as it may leave. JPEG and PNG are rewritten losslessly:
// only metadata segments change, the compressed image data stays byte for
// byte. A photo with nothing to withhold, a GIF or BMP (which carry no such
// metadata), and anything not recognised come back as they are.
SentPhoto OriginalToSend(const QByteArray &photo, MetadataRule rule);
// Its size and what it withholds, without building it (for estimates).
qint64 OriginalSizeToSend(const QByteArray &photo, MetadataRule rule, QStringList *withheld = nullptr);

// `copy`, encoded afresh from `source`'s pixels and already turned upright,
// with `source`'s metadata put in under `rule`: the orientation then says 1
// and the pixel dimensions are the copy's. The copy's own metadata (what an
// encoder carried over) is replaced. GIF and BMP copies come back as they are.
SentPhoto CopyToSend(const QByteArray &source, const QByteArray &copy, MetadataRule rule);

// The bytes of metadata CopyToSend would put into a copy of `source` under
// `rule`; for estimates, without encoding any pixels.
qint64 CopyMetadataSize(const QByteArray &source, MetadataRule rule);

// Every kind named above, in that order.
QStringList MetadataKinds();

// The orientation `photo` asks viewers for (1 to 8; 1 when it names none).
int PhotoOrientation(const QByteArray &photo);

#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

// The image formats a photo of the set may hold, told by its first bytes,
// never by its name.
enum class PhotoFormat
{
    Unknown,
    Bmp,
    Gif,
    Jpeg,
    Png
};

PhotoFormat PhotoFormatOf(const QByteArray &bytes);

// True when the file's content is a BMP, GIF, JPEG or PNG image whose header
// a decoder accepts; false for anything else, including unreadable files.
bool IsWiaImage(const QString &FilePath);

// The size `size` takes when both sides are bound by `bound`, the aspect
// ratio kept (the longer side becomes `bound`). Never larger than `size`.
QSize BoundedSize(const QSize &size, int bound);

// The bytes a photo goes out with: the file's own bytes when `UploadSize` is
// below 1 ("Original size"), when the image already fits, or when it is not
// one of the four formats; otherwise a copy scaled to fit, in the source's
// format (an animated GIF keeps its first frame). Empty only when the file
// cannot be read. Safe to call from several
// threads at once: it writes no temporary file and reads no shared state.
QByteArray PrepareImage(const QString &FilePath, int UploadSize);

// The same for a photo already read into memory. `scaled` (when given) tells
// whether a scaled copy came back. When scaling or encoding fails half-way,
// the original bytes come back unchanged.
QByteArray PrepareImageBytes(const QByteArray &original, int UploadSize, bool *scaled = nullptr);

// The scaled copy of a clean JPEG that is larger than `UploadSize`, decoded
// strictly: empty for anything else, and for a JPEG the decoder has any
// complaint about (PrepareImageBytes then takes Qt's more forgiving road).
// A copy that comes back therefore also proves the file whole, which lets
// the photo set make it while it examines the file, once for both.
QByteArray ScaledJpegCopy(const QByteArray &original, int UploadSize);

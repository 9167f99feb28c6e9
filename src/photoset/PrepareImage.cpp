#include "photoset/PrepareImage.h"

#include "photoset/GifWriter.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <cmath>

namespace {

// Encoder settings of scaled copies.
//
// JPEG: quality 90 with 4:2:0 chroma subsampling (libjpeg's default) and
// optimised Huffman tables. 90 is where further quality stops being visible on
// photos at screen sizes while the file is still a third of what 100 costs;
// 4:2:0 halves the colour data, which the eye does not miss in photographs;
// optimised tables take a few percent off the size for a small cost in time.
constexpr int kJpegQuality = 90;
// PNG is lossless: the level only trades time for size. zlib's middle level
// keeps encoding fast, and photos compress little further anyway.
constexpr int kPngQuality = 50;
// Asking the decoder for its high-quality path makes Qt's JPEG reader finish
// the reduced-scale decode with a smooth resample instead of a nearest pick.
constexpr int kDecodeQuality = 100;

const char *qtFormatName(PhotoFormat format)
{
    switch (format) {
    case PhotoFormat::Bmp:
        return "bmp";
    case PhotoFormat::Gif:
        return "gif";
    case PhotoFormat::Jpeg:
        return "jpeg";
    case PhotoFormat::Png:
        return "png";
    case PhotoFormat::Unknown:
        break;
    }
    return nullptr;
}

QByteArray encode(const QImage &image, PhotoFormat format)
{
    if (format == PhotoFormat::Gif)
        return encodeGif(image); // Qt reads GIF but has no writer

    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, qtFormatName(format));
    if (format == PhotoFormat::Jpeg) {
        writer.setQuality(kJpegQuality);
        writer.setOptimizedWrite(true);
    } else if (format == PhotoFormat::Png) {
        writer.setQuality(kPngQuality);
    }
    if (!writer.write(image))
        return {};
    return out;
}

} // namespace

PhotoFormat PhotoFormatOf(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return PhotoFormat::Jpeg;
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return PhotoFormat::Png;
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return PhotoFormat::Gif;
    if (bytes.startsWith("BM") && bytes.size() >= 26)
        return PhotoFormat::Bmp;
    return PhotoFormat::Unknown;
}

bool IsWiaImage(const QString &FilePath)
{
    QFile file(FilePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const PhotoFormat format = PhotoFormatOf(file.peek(16));
    if (format == PhotoFormat::Unknown)
        return false;
    QImageReader reader(&file, qtFormatName(format));
    return reader.size().isValid();
}

QSize BoundedSize(const QSize &size, int bound)
{
    if (bound < 1 || size.isEmpty() || (size.width() <= bound && size.height() <= bound))
        return size;
    const bool wide = size.width() >= size.height();
    const double shorter =
        double(wide ? size.height() : size.width()) * bound / (wide ? size.width() : size.height());
    const int other = std::max(1, int(std::lround(shorter)));
    return wide ? QSize(bound, other) : QSize(other, bound);
}

QByteArray PrepareImage(const QString &FilePath, int UploadSize)
{
    QFile file(FilePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return PrepareImageBytes(file.readAll(), UploadSize);
}

QByteArray PrepareImageBytes(const QByteArray &original, int UploadSize, bool *scaled)
{
    if (scaled)
        *scaled = false;
    if (UploadSize < 1)
        return original;
    const PhotoFormat format = PhotoFormatOf(original);
    if (format == PhotoFormat::Unknown)
        return original;

    QBuffer buffer;
    buffer.setData(original);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, qtFormatName(format));
    // The copy loses the EXIF block, so the orientation it asked viewers for
    // is applied to the pixels instead: the copy stands as the original did.
    reader.setAutoTransform(true);
    reader.setQuality(kDecodeQuality);

    // The size as stored, before any orientation is applied. The bound is
    // square, so the stored and the upright image scale to the same box.
    const QSize stored = reader.size();
    if (!stored.isValid())
        return original;
    const QSize target = BoundedSize(stored, UploadSize);
    if (target == stored)
        return original; // never enlarged, never re-encoded
    if (format == PhotoFormat::Jpeg)
        reader.setScaledSize(target); // libjpeg decodes at 1/2, 1/4 or 1/8 first

    QImage image = reader.read();
    if (image.isNull())
        return original;
    const bool turned = (image.width() > image.height()) != (stored.width() > stored.height());
    const QSize wanted = turned ? target.transposed() : target;
    if (image.size() != wanted)
        image = image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    const QByteArray encoded = encode(image, format);
    if (encoded.isEmpty())
        return original;
    if (scaled)
        *scaled = true;
    return encoded;
}

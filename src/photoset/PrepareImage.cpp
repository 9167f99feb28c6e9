#include "photoset/PrepareImage.h"

#include "photoset/GifWriter.h"

#include "imaging/PhotoMetadata.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSysInfo>
#include <QTransform>

#include <turbojpeg.h>

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

// Turns the pixels as EXIF orientation `orientation` asks viewers to.
QImage upright(const QImage &image, int orientation)
{
    switch (orientation) {
    case 2:
        return image.mirrored(true, false);
    case 3:
        return image.mirrored(true, true);
    case 4:
        return image.mirrored(false, true);
    case 5:
        return image.mirrored(false, true).transformed(QTransform().rotate(90));
    case 6:
        return image.transformed(QTransform().rotate(90));
    case 7:
        return image.mirrored(true, false).transformed(QTransform().rotate(90));
    case 8:
        return image.transformed(QTransform().rotate(270));
    default:
        return image;
    }
}

struct TjDecoder
{
    tjhandle handle = tjInitDecompress();
    ~TjDecoder()
    {
        if (handle)
            tjDestroy(handle);
    }
};

QByteArray encode(const QImage &image, PhotoFormat format);

} // namespace

QByteArray ScaledJpegPixels(const QByteArray &original, int UploadSize)
{
    if (UploadSize < 1 || PhotoFormatOf(original) != PhotoFormat::Jpeg)
        return {};
    TjDecoder tj;
    if (!tj.handle)
        return {};
    const auto *data = reinterpret_cast<const unsigned char *>(original.constData());
    const auto length = static_cast<unsigned long>(original.size());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(tj.handle, data, length, &width, &height, &subsampling, &colorspace) != 0)
        return {};
    if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK)
        return {};
    const QSize stored(width, height);
    const QSize target = BoundedSize(stored, UploadSize);
    if (target == stored)
        return {};

    // The smallest of the codec's scales that still covers the target: most
    // of each block is never computed, and a smooth resample does the rest.
    int count = 0;
    const tjscalingfactor *factors = tjGetScalingFactors(&count);
    tjscalingfactor best{1, 1};
    for (int i = 0; factors && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        const bool covers = TJSCALED(width, f) >= target.width() && TJSCALED(height, f) >= target.height();
        if (covers && f.num * best.denom < best.num * f.denom)
            best = f;
    }
    QImage image(TJSCALED(width, best), TJSCALED(height, best), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const int pixelFormat = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
    if (tjDecompress2(tj.handle, data, length, image.bits(), image.width(), int(image.bytesPerLine()),
                      image.height(), pixelFormat, TJFLAG_STOPONWARNING) != 0)
        return {};
    if (image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Viewers are told the copy stands as it is, so the orientation the
    // original asked them for is applied to the pixels.
    return encode(upright(image, PhotoOrientation(original)), PhotoFormat::Jpeg);
}

namespace {

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

QByteArray PrepareImage(const QString &FilePath, int UploadSize, MetadataRule rule)
{
    QFile file(FilePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return PrepareImageBytes(file.readAll(), UploadSize, rule);
}

QByteArray PrepareImageBytes(const QByteArray &original, int UploadSize, MetadataRule rule, bool *scaled)
{
    if (scaled)
        *scaled = false;
    const QByteArray copy = ScaledCopy(original, UploadSize);
    if (copy.isEmpty())
        return OriginalToSend(original, rule).bytes;
    if (scaled)
        *scaled = true;
    return CopyToSend(original, copy, rule).bytes;
}

QByteArray ScaledCopy(const QByteArray &original, int UploadSize)
{
    if (UploadSize < 1)
        return {};
    const PhotoFormat format = PhotoFormatOf(original);
    if (format == PhotoFormat::Unknown)
        return {};

    if (format == PhotoFormat::Jpeg) {
        const QByteArray copy = ScaledJpegPixels(original, UploadSize);
        if (!copy.isEmpty())
            return copy;
    }

    QBuffer buffer;
    buffer.setData(original);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, qtFormatName(format));
    // The orientation is applied below, for every format alike: Qt's own
    // reading of it stops at JPEG.
    reader.setAutoTransform(false);
    reader.setQuality(kDecodeQuality);

    // The size as stored, before any orientation is applied. The bound is
    // square, so the stored and the upright image scale to the same box.
    const QSize stored = reader.size();
    if (!stored.isValid())
        return {};
    const QSize target = BoundedSize(stored, UploadSize);
    if (target == stored)
        return {}; // never enlarged, never re-encoded
    if (format == PhotoFormat::Jpeg)
        reader.setScaledSize(target); // libjpeg decodes at 1/2, 1/4 or 1/8 first

    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return encode(upright(image, PhotoOrientation(original)), format);
}

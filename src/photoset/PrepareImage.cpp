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
#include <cstring>

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

namespace {

// Tiles of the mosaic: whole 4:2:0 blocks, spread in a grid over the picture.
constexpr int kTile = 64;
constexpr int kTilesAcross = 8;

// What the encoder spends on its headers (tables and markers), whatever the
// picture.
qint64 jpegHeaderBytes()
{
    static const qint64 bytes = [] {
        QImage tiny(16, 16, QImage::Format_RGB32);
        tiny.fill(Qt::gray);
        return qint64(encode(tiny, PhotoFormat::Jpeg).size());
    }();
    return bytes;
}

// Bytes a pixel of `decoded` (the whole photo at any scale) costs once the
// photo is scaled to `target`.
double sampledBytesPerPixel(const QImage &decoded, QSize target)
{
    // Tiles are cut at the decode's own scale and shrunk as the copy would
    // be; a decode coarser than the target is taken as it is (see bytesFor).
    const double shrink = std::min(1.0, double(target.width()) / decoded.width());
    const int source = int(std::lround(kTile / shrink));
    if (decoded.width() < source * kTilesAcross || decoded.height() < source * kTilesAcross)
        return 0;
    QImage mosaic(kTile * kTilesAcross, kTile * kTilesAcross, QImage::Format_RGB32);
    for (int row = 0; row < kTilesAcross; ++row) {
        for (int column = 0; column < kTilesAcross; ++column) {
            const int x = (decoded.width() - source) * column / (kTilesAcross - 1);
            const int y = (decoded.height() - source) * row / (kTilesAcross - 1);
            QImage tile = decoded.copy(x, y, source, source);
            if (source != kTile)
                tile = tile.scaled(kTile, kTile, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            tile = tile.convertToFormat(QImage::Format_RGB32);
            for (int line = 0; line < kTile; ++line)
                std::memcpy(mosaic.scanLine(row * kTile + line) + column * kTile * 4,
                            tile.constScanLine(line), size_t(kTile) * 4);
        }
    }
    const qint64 bytes = encode(mosaic, PhotoFormat::Jpeg).size() - jpegHeaderBytes();
    return bytes > 0 ? double(bytes) / (double(mosaic.width()) * mosaic.height()) : 0;
}

} // namespace

qint64 EncodeRates::bytesFor(int uploadSize, QSize size) const
{
    // The nearest size learnt stands for the others.
    size_t nearest = 0;
    for (size_t i = 1; i < Sizes.size(); ++i) {
        if (std::abs(Sizes[i] - uploadSize) < std::abs(Sizes[nearest] - uploadSize))
            nearest = i;
    }
    double rate = bytesPerPixel[nearest];
    if (rate <= 0)
        return 0;
    if (fromCoarser[nearest] && nearest == 2 && !fromCoarser[0] && !fromCoarser[1] && bytesPerPixel[0] > 0 &&
        bytesPerPixel[1] > 0) {
        // A sample of a decode coarser than the copy keeps grain the copy's
        // own downscale would smooth, and overstates; the trend of the two
        // smaller sizes carried on understates. Their middle holds on
        // grainy and smooth pictures alike.
        const auto pixelsAt = [](int bound) {
            const QSize s = BoundedSize(QSize(3, 2), bound); // the ratio hardly matters to a slope
            return double(s.width()) * s.height();
        };
        const double slope =
            std::log(bytesPerPixel[1] / bytesPerPixel[0]) / std::log(pixelsAt(Sizes[1]) / pixelsAt(Sizes[0]));
        const double trend = bytesPerPixel[1] * std::pow(pixelsAt(Sizes[2]) / pixelsAt(Sizes[1]), slope);
        rate = std::sqrt(rate * trend);
    }
    return jpegHeaderBytes() + qint64(std::llround(rate * size.width() * size.height()));
}

QByteArray ScaledJpegPixels(const QByteArray &original, int UploadSize, EncodeRates *rates)
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
    if (rates) {
        for (size_t i = 0; i < EncodeRates::Sizes.size(); ++i) {
            const QSize size = BoundedSize(stored, EncodeRates::Sizes[i]);
            rates->bytesPerPixel[i] = sampledBytesPerPixel(image, size);
            rates->fromCoarser[i] = size.width() > image.width();
        }
    }
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

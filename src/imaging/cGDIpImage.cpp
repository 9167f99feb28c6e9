#include "imaging/cGDIpImage.h"

#include "imaging/cGDIpToken.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <turbojpeg.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct Signature
{
    int kind;
    const char *format; // Qt's name for the decoder; null for JPEG
};

bool startsWith(const QByteArray &bytes, const char *magic, qsizetype length, qsizetype offset = 0)
{
    return bytes.size() >= offset + length &&
           std::memcmp(bytes.constData() + offset, magic, size_t(length)) == 0;
}

// The kind is read from the content's own signature, never from the name.
// Only formats we can vouch for are named; anything else goes to Qt's
// auto-detection and, if it decodes, counts as "a format not listed".
Signature sniff(const QByteArray &b)
{
    if (startsWith(b, "\xFF\xD8\xFF", 3))
        return {cGDIpImage::Jpeg, nullptr};
    if (startsWith(b, "\x89PNG\r\n\x1A\n", 8))
        return {cGDIpImage::Png, "png"};
    if (startsWith(b, "GIF87a", 6) || startsWith(b, "GIF89a", 6))
        return {cGDIpImage::Gif, "gif"};
    if (startsWith(b, "BM", 2) && b.size() >= 26)
        return {cGDIpImage::Bmp, "bmp"};
    if (startsWith(b, "II*\0", 4) || startsWith(b, "MM\0*", 4))
        return {cGDIpImage::Tiff, "tiff"};
    if (startsWith(b, "\0\0\1\0", 4) || startsWith(b, "\0\0\2\0", 4))
        return {cGDIpImage::Icon, "ico"};
    // Placeable and plain Windows metafiles, and enhanced metafiles (" EMF"
    // signature 40 bytes in). Qt has no decoder for them; they stay refused.
    if (startsWith(b, "\xD7\xCD\xC6\x9A", 4) || startsWith(b, "\1\0\x09\0\0\3", 6) ||
        startsWith(b, "\2\0\x09\0\0\3", 6) || startsWith(b, " EMF", 4, 40))
        return {cGDIpImage::Metafile, "metafile"};
    return {cGDIpImage::None, ""};
}

struct TjHandle
{
    tjhandle handle = tjInitDecompress();
    ~TjHandle()
    {
        if (handle)
            tjDestroy(handle);
    }
};

// The smallest scale the codec offers: at 1/8 each block decodes to one
// pixel, yet every coefficient of the file is still read, so a file cut
// short or garbled fails just as it would at full size.
tjscalingfactor smallestScale()
{
    int count = 0;
    tjscalingfactor *factors = tjGetScalingFactors(&count);
    tjscalingfactor best{1, 1};
    for (int i = 0; factors && i < count; ++i) {
        if (factors[i].num * best.denom < best.num * factors[i].denom)
            best = factors[i];
    }
    return best;
}

quint32 le32(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 le16(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + at;
    return quint16(p[0] | p[1] << 8);
}

// Qt's BMP and GIF readers paint over what is missing instead of failing,
// so the file's own structure is checked first: every pixel row of an
// uncompressed bitmap must be present.
bool bmpComplete(const QByteArray &b)
{
    if (b.size() < 30)
        return false;
    const quint32 pixelsAt = le32(b, 10);
    const quint32 headerSize = le32(b, 14);
    qint64 width = 0, height = 0;
    int bitCount = 0;
    quint32 compression = 0;
    if (headerSize == 12) { // OS/2 core header
        width = le16(b, 18);
        height = le16(b, 20);
        bitCount = le16(b, 24);
    } else {
        if (b.size() < 34)
            return false;
        width = qint32(le32(b, 18));
        height = qint32(le32(b, 22));
        bitCount = le16(b, 28);
        compression = le32(b, 30);
    }
    if (compression != 0 && compression != 3) // run-length and embedded codecs: Qt decides
        return true;
    if (width <= 0 || height == 0 || bitCount <= 0)
        return false;
    const qint64 stride = ((width * bitCount + 31) / 32) * 4;
    return qint64(pixelsAt) + stride * std::abs(height) <= b.size();
}

// Walks a GIF's blocks to the trailer; a file that ends inside a block, or
// before any image, is cut short.
bool gifComplete(const QByteArray &b)
{
    const qsizetype size = b.size();
    auto skipSubBlocks = [&](qsizetype at) -> qsizetype {
        while (at < size) {
            const int length = static_cast<unsigned char>(b.at(at));
            ++at;
            if (length == 0)
                return at;
            at += length;
        }
        return -1;
    };
    if (size < 13)
        return false;
    qsizetype at = 13;
    const auto flags = static_cast<unsigned char>(b.at(10));
    if (flags & 0x80)
        at += 3 * (qsizetype(1) << ((flags & 0x07) + 1));
    bool sawImage = false;
    while (at < size) {
        const auto block = static_cast<unsigned char>(b.at(at));
        if (block == 0x3B)
            return sawImage;
        if (block == 0x21) {
            at = at + 2 <= size ? skipSubBlocks(at + 2) : -1;
        } else if (block == 0x2C) {
            if (at + 10 > size)
                return false;
            const auto local = static_cast<unsigned char>(b.at(at + 9));
            at += 10;
            if (local & 0x80)
                at += 3 * (qsizetype(1) << ((local & 0x07) + 1));
            at = at + 1 <= size ? skipSubBlocks(at + 1) : -1;
            sawImage = at > 0;
        } else {
            return false;
        }
        if (at < 0)
            return false;
    }
    // Some writers leave out the trailer; the data itself is all there.
    return sawImage && at == size;
}

} // namespace

cGDIpImage::~cGDIpImage()
{
    Clear();
    if (m_token)
        m_token->RemoveUser(this);
}

void cGDIpImage::Clear()
{
    m_imageType = None;
    m_status = ImageLoadStatus::NotLoaded;
    m_size = QSize();
}

bool cGDIpImage::fail(ImageLoadStatus status)
{
    Clear();
    m_status = status;
    return false;
}

bool cGDIpImage::LoadPicture_FileName(const QString &FileName, cGDIpToken *TokenClass)
{
    if (!TokenClass || TokenClass->Token() == 0)
        return fail(ImageLoadStatus::NoToken);
    // Only plain files: a pipe would block the open, a device never ends.
    if (!QFileInfo(FileName).isFile())
        return fail(ImageLoadStatus::Unreadable);
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly) || file.isSequential())
        return fail(ImageLoadStatus::Unreadable);
    const qint64 expected = file.size();
    if (expected == 0)
        return fail(ImageLoadStatus::Empty);
    const QByteArray bytes = file.readAll();
    if (bytes.size() < expected)
        return fail(ImageLoadStatus::Unreadable);
    return LoadPicture_Bytes(bytes, TokenClass);
}

bool cGDIpImage::LoadPicture_Bytes(const QByteArray &bytes, cGDIpToken *TokenClass)
{
    if (!TokenClass || TokenClass->Token() == 0)
        return fail(ImageLoadStatus::NoToken);
    if (bytes.isEmpty())
        return fail(ImageLoadStatus::Empty);
    Clear();

    const Signature signature = sniff(bytes);
    bool decoded = false;
    if (signature.kind == Jpeg) {
        decoded = decodeJpeg(bytes);
    } else if (signature.kind == Metafile) {
        return fail(ImageLoadStatus::Undecodable);
    } else if ((signature.kind == Bmp && !bmpComplete(bytes)) ||
               (signature.kind == Gif && !gifComplete(bytes))) {
        return fail(ImageLoadStatus::Damaged);
    } else {
        decoded = decodeWithQt(bytes, signature.format);
    }
    if (!decoded)
        return false;

    m_imageType = signature.kind;
    m_status = ImageLoadStatus::Loaded;
    if (m_token != TokenClass) {
        if (m_token)
            m_token->RemoveUser(this);
        m_token = TokenClass;
        m_token->AddUser(this);
    }
    return true;
}

bool cGDIpImage::decodeJpeg(const QByteArray &bytes)
{
    TjHandle tj;
    if (!tj.handle)
        return fail(ImageLoadStatus::NoToken);
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const auto length = static_cast<unsigned long>(bytes.size());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(tj.handle, data, length, &width, &height, &subsampling, &colorspace) != 0)
        return fail(ImageLoadStatus::Damaged);

    const tjscalingfactor scale = smallestScale();
    const int scaledWidth = TJSCALED(width, scale);
    const int scaledHeight = TJSCALED(height, scale);
    // Grey output skips the colour conversion; the codec cannot turn CMYK
    // into grey, so those keep their four channels.
    const bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
    const int pixelFormat = cmyk ? TJPF_CMYK : TJPF_GRAY;
    const int pitch = scaledWidth * tjPixelSize[pixelFormat];
    std::vector<unsigned char> pixels(size_t(pitch) * size_t(scaledHeight));
    const auto decodes = [&](const unsigned char *jpeg, unsigned long jpegLength) {
        return tjDecompress2(tj.handle, jpeg, jpegLength, pixels.data(), scaledWidth, pitch, scaledHeight,
                             pixelFormat, TJFLAG_STOPONWARNING | TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE) == 0;
    };
    if (!decodes(data, length)) {
        // Some cameras and editors leave out the closing marker. The decoder
        // only warns about that, and the picture is whole, so the file gets
        // the marker and a second chance; one that lacks image data still
        // fails, because its last scan then ends before its last block.
        if (bytes.endsWith("\xFF\xD9"))
            return fail(ImageLoadStatus::Damaged);
        const QByteArray closed = bytes + QByteArrayLiteral("\xFF\xD9");
        if (!decodes(reinterpret_cast<const unsigned char *>(closed.constData()),
                     static_cast<unsigned long>(closed.size())))
            return fail(ImageLoadStatus::Damaged);
    }
    m_size = QSize(width, height);
    return true;
}

bool cGDIpImage::decodeWithQt(const QByteArray &bytes, const char *format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const bool known = format && *format;
    QImageReader reader(&buffer, known ? QByteArray(format) : QByteArray());
    reader.setAutoDetectImageFormat(!known);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return fail(known ? ImageLoadStatus::Damaged : ImageLoadStatus::Unrecognised);
    const QSize size = reader.size();
    // Said before decoding: the decoder would refuse to allocate the image
    // and the file would look damaged when it is only big.
    if (size.isValid() && qint64(size.width()) * size.height() > MaxPixels)
        return fail(ImageLoadStatus::TooLarge);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return fail(known ? ImageLoadStatus::Damaged : ImageLoadStatus::Unrecognised);
    m_size = size.isValid() ? size : image.size();
    return true;
}

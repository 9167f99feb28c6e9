#include "imaging/MetadataRule.h"

#include <QList>
#include <QSize>
#include <QtEndian>

#include <zlib.h>

namespace metadata {
namespace {

constexpr qsizetype kMaxInflated = 8 * 1024 * 1024;

enum class ChunkRole
{
    Structure,
    Icc,
    Exif,
    Xmp,
    RawExif, // "Raw profile type exif" (or APP1), as some converters write Exif
    RawXmp,
    RawOther,
    Text,
};

struct Chunk
{
    QByteArray type;
    qsizetype start = 0; // at its length
    qsizetype end = 0;
    ChunkRole role = ChunkRole::Structure;
};

struct Png
{
    bool ok = false;
    QList<Chunk> chunks;
    qsizetype end = 0; // past IEND
};

QByteArray chunkData(const QByteArray &b, const Chunk &c)
{
    return b.mid(c.start + 8, c.end - c.start - 12);
}

bool inflateCapped(const QByteArray &in, QByteArray &out)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    out.clear();
    char buffer[16384];
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
    z.avail_in = uInt(in.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef *>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
        if (out.size() > kMaxInflated || (rc == Z_BUF_ERROR && z.avail_in == 0))
            break;
    }
    inflateEnd(&z);
    return rc == Z_STREAM_END;
}

// The keyword and the text of a tEXt, zTXt or iTXt chunk.
bool textOf(const QByteArray &type, const QByteArray &data, QByteArray &keyword, QByteArray *text)
{
    const qsizetype zero = data.indexOf('\0');
    if (zero < 0)
        return false;
    keyword = data.left(zero);
    if (!text)
        return true;
    if (type == "tEXt") {
        *text = data.mid(zero + 1);
        return true;
    }
    if (type == "zTXt")
        return inflateCapped(data.mid(zero + 2), *text);
    // iTXt: compression flag and method, language, translated keyword.
    if (zero + 3 > data.size())
        return false;
    const bool compressed = data.at(zero + 1) != 0;
    const qsizetype language = data.indexOf('\0', zero + 3);
    const qsizetype translated = language < 0 ? -1 : data.indexOf('\0', language + 1);
    if (translated < 0)
        return false;
    const QByteArray body = data.mid(translated + 1);
    if (!compressed) {
        *text = body;
        return true;
    }
    return inflateCapped(body, *text);
}

Png parsePng(const QByteArray &b)
{
    Png png;
    const auto *p = reinterpret_cast<const uchar *>(b.constData());
    const qsizetype n = b.size();
    if (!b.startsWith("\x89PNG\r\n\x1A\n"))
        return png;
    qsizetype at = 8;
    bool exifSeen = false, xmpSeen = false;
    while (at + 12 <= n) {
        Chunk c;
        const qsizetype length = qFromBigEndian<quint32>(p + at);
        if (length > n - at - 12)
            return png;
        c.start = at;
        c.end = at + 12 + length;
        c.type = b.mid(at + 4, 4);
        if (c.type == "iCCP") {
            c.role = ChunkRole::Icc;
        } else if (c.type == "eXIf") {
            c.role = exifSeen ? ChunkRole::RawOther : ChunkRole::Exif;
            exifSeen = true;
        } else if (c.type == "tEXt" || c.type == "zTXt" || c.type == "iTXt") {
            QByteArray keyword;
            textOf(c.type, chunkData(b, c), keyword, nullptr);
            const QByteArray profile =
                keyword.startsWith("Raw profile type ") ? keyword.mid(17).toLower() : "";
            if (c.type == "iTXt" && keyword == "XML:com.adobe.xmp" && !xmpSeen) {
                c.role = ChunkRole::Xmp;
                xmpSeen = true;
            } else if (profile == "exif" || profile == "app1") {
                c.role = ChunkRole::RawExif;
            } else if (profile == "xmp") {
                c.role = ChunkRole::RawXmp;
            } else if (!profile.isEmpty() || keyword == "XML:com.adobe.xmp") {
                c.role = ChunkRole::RawOther;
            } else {
                c.role = ChunkRole::Text;
            }
        }
        png.chunks.append(c);
        at = c.end;
        if (c.type == "IEND") {
            png.end = at;
            png.ok = true;
            return png;
        }
    }
    return png;
}

// "\n<name>\n<length>\n<hex>" as ImageMagick and others write profiles.
QByteArray rawProfileBytes(const QByteArray &b, const Chunk &c)
{
    QByteArray keyword, text;
    if (!textOf(c.type, chunkData(b, c), keyword, &text))
        return {};
    const QList<QByteArray> lines = text.trimmed().split('\n');
    if (lines.size() < 3)
        return {};
    QByteArray bytes = QByteArray::fromHex(text.mid(text.indexOf(lines.at(2))));
    if (bytes.startsWith(QByteArray("Exif\0\0", 6)))
        bytes.remove(0, 6);
    return bytes;
}

Found metadataOfPng(const QByteArray &b, const Png &png)
{
    Found found;
    for (const Chunk &c : png.chunks) {
        switch (c.role) {
        case ChunkRole::Icc:
            if (found.icc.isEmpty())
                found.icc.append(chunkData(b, c));
            break;
        case ChunkRole::Exif:
            found.exif = chunkData(b, c);
            found.exifFromText = false;
            break;
        case ChunkRole::RawExif:
            if (found.exif.isEmpty()) {
                found.exif = rawProfileBytes(b, c);
                found.exifFromText = true;
            }
            break;
        case ChunkRole::Xmp: {
            QByteArray keyword;
            textOf(c.type, chunkData(b, c), keyword, &found.xmp);
            found.xmpFromText = false;
            break;
        }
        case ChunkRole::RawXmp:
            if (found.xmp.isEmpty()) {
                found.xmp = rawProfileBytes(b, c);
                found.xmpFromText = true;
            }
            break;
        case ChunkRole::Text:
            found.comments.append(b.mid(c.start + 4, c.end - c.start - 8)); // type and data
            break;
        default:
            break;
        }
    }
    return found;
}

void putChunk(QByteArray &out, const char *type, const QByteArray &data)
{
    uchar length[4];
    qToBigEndian<quint32>(quint32(data.size()), length);
    out.append(reinterpret_cast<const char *>(length), 4);
    const qsizetype from = out.size();
    out.append(type, 4).append(data);
    uchar crc[4];
    qToBigEndian<quint32>(
        quint32(crc32(0, reinterpret_cast<const Bytef *>(out.constData() + from), uInt(out.size() - from))),
        crc);
    out.append(reinterpret_cast<const char *>(crc), 4);
}

void putXmpChunk(QByteArray &out, const QByteArray &packet)
{
    putChunk(out, "iTXt", QByteArray("XML:com.adobe.xmp\0\0\0\0\0", 22) + packet);
}

// The type and data of a chunk kept whole, with its check sum made afresh.
void putKeptChunk(QByteArray &out, const QByteArray &typeAndData)
{
    putChunk(out, typeAndData.constData(), typeAndData.mid(4));
}

QSize pngSize(const QByteArray &b)
{
    if (b.size() < 24)
        return {};
    const auto *p = reinterpret_cast<const uchar *>(b.constData());
    return QSize(int(qFromBigEndian<quint32>(p + 16)), int(qFromBigEndian<quint32>(p + 20)));
}

QByteArray pngMetadata(const Found &found, const Carried &carried)
{
    QByteArray out;
    for (const QByteArray &icc : found.icc)
        putChunk(out, "iCCP", icc);
    if (!carried.exif.isEmpty())
        putChunk(out, "eXIf", carried.exif);
    if (!carried.xmp.isEmpty())
        putXmpChunk(out, carried.xmp);
    for (const QByteArray &text : found.comments)
        putKeptChunk(out, text);
    return out;
}

class PngContainer final : public Container
{
public:
    bool recognises(const QByteArray &b) const override { return b.startsWith("\x89PNG\r\n\x1A\n"); }
    std::optional<Found> found(const QByteArray &photo) const override;
    bool segmented() const override { return false; }
    QByteArray blocks(const Found &found, const Carried &carried) const override
    {
        return pngMetadata(found, carried);
    }
    Rewrite original(const QByteArray &photo, MetadataRule rule) const override;
    SentPhoto copy(const QByteArray &source, const QByteArray &copy, MetadataRule rule) const override;
};

std::optional<Found> PngContainer::found(const QByteArray &photo) const
{
    const Png png = parsePng(photo);
    if (!png.ok)
        return std::nullopt;
    return metadataOfPng(photo, png);
}

Rewrite PngContainer::original(const QByteArray &b, MetadataRule rule) const
{
    Rewrite rewrite;
    const Png png = parsePng(b);
    if (!png.ok)
        return rewrite;
    const Found found = metadataOfPng(b, png);
    const Carried carried = decide(found, rule, {}, false);
    rewrite.changed = carried.changed;
    rewrite.withheld = carried.withheld;
    Pieces &out = rewrite.pieces;
    out.keep(b, 0, 8);
    bool exifWritten = false, xmpWritten = false;
    for (const Chunk &c : png.chunks) {
        QByteArray made;
        switch (c.role) {
        case ChunkRole::Structure:
        case ChunkRole::Icc:
        case ChunkRole::Text:
            out.keep(b, c.start, c.end);
            break;
        case ChunkRole::Exif:
        case ChunkRole::RawExif:
            // Exif found in an old text profile moves into its own chunk.
            if (!exifWritten && !carried.exif.isEmpty())
                putChunk(made, "eXIf", carried.exif);
            exifWritten = true;
            break;
        case ChunkRole::Xmp:
        case ChunkRole::RawXmp:
            if (!xmpWritten && !carried.xmp.isEmpty())
                putXmpChunk(made, carried.xmp);
            xmpWritten = true;
            break;
        case ChunkRole::RawOther:
            rewrite.withheld.add(Unreadable);
            rewrite.changed = true;
            break;
        }
        out.add(made);
    }
    if (png.end < b.size()) {
        rewrite.withheld.add(Thumbnail);
        rewrite.changed = true;
    }
    return rewrite;
}

SentPhoto PngContainer::copy(const QByteArray &source, const QByteArray &copy, MetadataRule rule) const
{
    const Png from = parsePng(source);
    const Png to = parsePng(copy);
    if (!from.ok || !to.ok || to.chunks.isEmpty() || to.chunks.first().type != "IHDR")
        return {copy, {}};
    const Found found = metadataOfPng(source, from);
    const Carried carried = decide(found, rule, pngSize(copy), false);
    QByteArray out = copy.left(8);
    const Chunk &header = to.chunks.first();
    out.append(copy.constData() + header.start, header.end - header.start);
    out.append(pngMetadata(found, carried));
    const bool ownColour = found.icc.isEmpty();
    for (const Chunk &c : to.chunks.mid(1)) {
        const bool colour = c.type == "iCCP" || c.type == "sRGB" || c.type == "gAMA" || c.type == "cHRM";
        // The encoder carried the source's texts over itself; they came
        // in above, under the rule.
        if (c.role == ChunkRole::Structure ? (!colour || ownColour) : (c.role == ChunkRole::Icc && ownColour))
            out.append(copy.constData() + c.start, c.end - c.start);
    }
    Kinds withheld = carried.withheld;
    if (rule == MetadataRule::StoryOnly) {
        for (const Chunk &c : from.chunks) {
            if (c.role == ChunkRole::RawOther)
                withheld.add(Unreadable);
        }
    }
    return {out, withheld.names()};
}

} // namespace

const Container &pngContainer()
{
    static const PngContainer png;
    return png;
}

} // namespace metadata

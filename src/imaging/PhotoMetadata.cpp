#include "imaging/PhotoMetadata.h"

#include <QList>
#include <QSize>
#include <QtEndian>

#include <exiv2/error.hpp>
#include <exiv2/exif.hpp>
#include <exiv2/iptc.hpp>
#include <exiv2/tags.hpp>
#include <exiv2/xmp_exiv2.hpp>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <stdexcept>
#include <string>

namespace {

// ---------------------------------------------------------------------------
// What is withheld, and the library that reads and writes it

enum Kind
{
    Gps,
    Serial,
    Owner,
    MakerNote,
    Thumbnail,
    Location,
    Unreadable,
    KindCount
};

constexpr std::array<const char *, KindCount> kKindNames = {"gps",       "serial",   "owner",     "makernote",
                                                            "thumbnail", "location", "unreadable"};

struct Kinds
{
    std::array<bool, KindCount> seen{};
    void add(Kind kind) { seen[size_t(kind)] = true; }
    QStringList names() const
    {
        QStringList out;
        for (size_t i = 0; i < seen.size(); ++i) {
            if (seen[i])
                out << QLatin1String(kKindNames[i]);
        }
        return out;
    }
};

void startExiv2()
{
    // The XMP toolkit keeps process-wide tables and must be started once,
    // with a lock, before photos are prepared on several threads at once.
    // Exiv2 would otherwise also tell standard error about every odd tag of
    // every hostile file.
    static std::mutex xmpToolkit;
    static std::once_flag started;
    std::call_once(started, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(
            [](void *lock, bool take) {
                auto *mutex = static_cast<std::mutex *>(lock);
                take ? mutex->lock() : mutex->unlock();
            },
            &xmpToolkit);
    });
}

bool startsWith(const std::string &text, const char *prefix)
{
    return text.rfind(prefix, 0) == 0;
}

bool isOneOf(const std::string &key, std::initializer_list<const char *> keys)
{
    for (const char *k : keys) {
        if (key == k)
            return true;
    }
    return false;
}

// Takes out of `exif` what StoryOnly withholds; true when anything went.
bool withholdExif(Exiv2::ExifData &exif, Kinds &kinds)
{
    bool changed = false;
    for (auto it = exif.begin(); it != exif.end();) {
        const std::string key = it->key();
        const std::string group = it->groupName();
        int kind = -1;
        if (group == "GPSInfo" || key == "Exif.Image.GPSTag")
            kind = Gps;
        else if (group == "Thumbnail" || startsWith(group, "SubThumb"))
            kind = Thumbnail;
        else if (isOneOf(key, {"Exif.Photo.BodySerialNumber", "Exif.Photo.LensSerialNumber",
                               "Exif.Image.CameraSerialNumber"}))
            kind = Serial;
        else if (key == "Exif.Photo.CameraOwnerName")
            kind = Owner;
        else if (key == "Exif.Photo.MakerNote" || group == "MakerNote" ||
                 Exiv2::ExifTags::isMakerGroup(group))
            kind = MakerNote;
        if (kind < 0) {
            ++it;
            continue;
        }
        kinds.add(Kind(kind));
        it = exif.erase(it);
        changed = true;
    }
    return changed;
}

bool withholdXmp(Exiv2::XmpData &xmp, Kinds &kinds)
{
    bool changed = false;
    for (auto it = xmp.begin(); it != xmp.end();) {
        const std::string key = it->key();
        int kind = -1;
        if (startsWith(key, "Xmp.exif.GPS"))
            kind = Gps;
        else if (isOneOf(key, {"Xmp.aux.SerialNumber", "Xmp.aux.LensSerialNumber",
                               "Xmp.exifEX.BodySerialNumber", "Xmp.exifEX.LensSerialNumber"}))
            kind = Serial;
        else if (isOneOf(key, {"Xmp.aux.OwnerName", "Xmp.exifEX.CameraOwnerName"}))
            kind = Owner;
        else if (isOneOf(key, {"Xmp.photoshop.City", "Xmp.photoshop.State", "Xmp.photoshop.Country",
                               "Xmp.iptc.Location", "Xmp.iptc.CountryCode"}) ||
                 startsWith(key, "Xmp.iptcExt.LocationCreated") ||
                 startsWith(key, "Xmp.iptcExt.LocationShown"))
            kind = Location;
        else if (startsWith(key, "Xmp.xmp.Thumbnails") || startsWith(key, "Xmp.GImage.") ||
                 startsWith(key, "Xmp.GDepth."))
            kind = Thumbnail;
        else if (key == "Xmp.xmpNote.HasExtendedXMP")
            kind = KindCount; // points at the extension, which goes as a thumbnail
        if (kind < 0) {
            ++it;
            continue;
        }
        if (kind < KindCount)
            kinds.add(Kind(kind));
        it = xmp.erase(it);
        changed = true;
    }
    return changed;
}

bool withholdIptc(Exiv2::IptcData &iptc, Kinds &kinds)
{
    bool changed = false;
    for (auto it = iptc.begin(); it != iptc.end();) {
        if (isOneOf(it->key(), {"Iptc.Application2.City", "Iptc.Application2.SubLocation",
                                "Iptc.Application2.ProvinceState", "Iptc.Application2.CountryCode",
                                "Iptc.Application2.CountryName", "Iptc.Application2.LocationCode",
                                "Iptc.Application2.LocationName"})) {
            kinds.add(Location);
            it = iptc.erase(it);
            changed = true;
        } else {
            ++it;
        }
    }
    return changed;
}

// A copy's pixels stand upright and have their own size; tags that said
// otherwise about the original would make viewers turn or size it wrongly.
void fitExifToCopy(Exiv2::ExifData &exif, QSize size)
{
    if (exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation")) != exif.end())
        exif["Exif.Image.Orientation"] = uint16_t(1);
    if (exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelXDimension")) != exif.end())
        exif["Exif.Photo.PixelXDimension"] = uint32_t(size.width());
    if (exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelYDimension")) != exif.end())
        exif["Exif.Photo.PixelYDimension"] = uint32_t(size.height());
    for (const char *key : {"Exif.Image.ImageWidth", "Exif.Image.ImageLength"}) {
        const auto it = exif.findKey(Exiv2::ExifKey(key));
        if (it != exif.end())
            exif.erase(it);
    }
}

void fitXmpToCopy(Exiv2::XmpData &xmp, QSize size)
{
    const auto set = [&xmp](const char *key, const std::string &value) {
        if (xmp.findKey(Exiv2::XmpKey(key)) != xmp.end())
            xmp[key] = value;
    };
    set("Xmp.tiff.Orientation", "1");
    set("Xmp.exif.PixelXDimension", std::to_string(size.width()));
    set("Xmp.exif.PixelYDimension", std::to_string(size.height()));
    for (const char *key : {"Xmp.tiff.ImageWidth", "Xmp.tiff.ImageLength"}) {
        const auto it = xmp.findKey(Exiv2::XmpKey(key));
        if (it != xmp.end())
            xmp.erase(it);
    }
}

const Exiv2::byte *bytesOf(const QByteArray &b)
{
    return reinterpret_cast<const Exiv2::byte *>(b.constData());
}

// ---------------------------------------------------------------------------
// Photoshop's image resource blocks (the IPTC record and its neighbours)

constexpr quint16 kIptcResource = 0x0404;
// Thumbnails Photoshop keeps of the picture.
constexpr quint16 kThumbnailResources[] = {0x0409, 0x040C};
// Photoshop's own copies of the Exif and XMP blocks, which the segments
// themselves already carry (filtered).
constexpr quint16 kCopiedResources[] = {0x0422, 0x0424};

struct Resource
{
    quint16 id = 0;
    QByteArray whole; // the block as stored, padding included
    QByteArray data;
};

// The blocks of `irb` in order; false when it does not walk to its end.
bool splitResources(const QByteArray &irb, QList<Resource> &out)
{
    const auto *p = reinterpret_cast<const uchar *>(irb.constData());
    const qsizetype n = irb.size();
    qsizetype at = 0;
    while (at + 12 <= n) {
        if (std::memcmp(p + at, "8BIM", 4) != 0)
            return false;
        Resource r;
        r.id = qFromBigEndian<quint16>(p + at + 4);
        qsizetype name = 1 + p[at + 6];
        name += name & 1;
        const qsizetype sizeAt = at + 6 + name;
        if (sizeAt + 4 > n)
            return false;
        const qsizetype size = qFromBigEndian<quint32>(p + sizeAt);
        const qsizetype dataAt = sizeAt + 4;
        if (size > n - dataAt)
            return false;
        const qsizetype end = std::min(n, dataAt + size + (size & 1));
        r.data = irb.mid(dataAt, size);
        r.whole = irb.mid(at, end - at);
        out.append(r);
        at = end;
    }
    return at == n;
}

QByteArray resourceBlock(quint16 id, const QByteArray &data)
{
    QByteArray block("8BIM", 4);
    block.append(char(id >> 8)).append(char(id & 0xFF));
    block.append("\0\0", 2); // no name, padded to even
    uchar size[4];
    qToBigEndian<quint32>(quint32(data.size()), size);
    block.append(reinterpret_cast<const char *>(size), 4);
    block.append(data);
    if (data.size() & 1)
        block.append('\0');
    return block;
}

// ---------------------------------------------------------------------------
// What a photo carries, read from its container, and what goes with it

struct Found
{
    QByteArray exif;            // TIFF structure, without "Exif\0\0"
    QByteArray xmp;             // the packet
    QByteArray irb;             // Photoshop resource blocks, joined
    QList<QByteArray> icc;      // JPEG: APP2 payloads; PNG: the iCCP chunk's data
    QList<QByteArray> comments; // JPEG: COM payloads; PNG: text chunks (type + data)
    bool exifFromText = false;  // PNG: read from an old "Raw profile" text chunk
    bool xmpFromText = false;
};

struct Carried
{
    QByteArray exif; // empty: none goes
    QByteArray xmp;
    QByteArray irb;
    bool changed = false; // anything differs from what was found
    Kinds withheld;
};

constexpr qsizetype kMaxJpegExif = 65533 - 6;
constexpr qsizetype kMaxJpegXmp = 65533 - 29;

QByteArray encodeExif(const Exiv2::ExifData &exif, Exiv2::ByteOrder order)
{
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : order, exif);
    return QByteArray(reinterpret_cast<const char *>(blob.data()), qsizetype(blob.size()));
}

// Applies `rule` to what was found. `copy` is the size of the copy the
// metadata goes into; empty for the original itself. `jpeg` bounds blocks to
// what one JPEG segment holds.
Carried decide(const Found &found, MetadataRule rule, QSize copy, bool jpeg)
{
    startExiv2();
    const bool story = rule == MetadataRule::StoryOnly;
    const bool isCopy = !copy.isEmpty();
    Carried out;

    if (!found.exif.isEmpty()) {
        try {
            Exiv2::ExifData exif;
            const Exiv2::ByteOrder order =
                Exiv2::ExifParser::decode(exif, bytesOf(found.exif), uint32_t(found.exif.size()));
            if (order == Exiv2::invalidByteOrder)
                throw std::runtime_error("undecodable");
            bool changed = story && withholdExif(exif, out.withheld);
            if (isCopy) {
                fitExifToCopy(exif, copy);
                changed = true;
            }
            out.exif = changed || found.exifFromText ? encodeExif(exif, order) : found.exif;
            if (jpeg && out.exif.size() > kMaxJpegExif) {
                // Only a copy under Everything gets here: its bulkiest parts
                // give way before the rest does.
                Exiv2::ExifThumb(exif).erase();
                out.exif = encodeExif(exif, order);
                if (out.exif.size() > kMaxJpegExif)
                    out.exif.clear();
            }
            out.changed = out.changed || changed || found.exifFromText;
        } catch (const std::exception &) {
            // What cannot be read cannot be checked, and a copy cannot have
            // its orientation put right: it does not go along.
            if (story)
                out.withheld.add(Unreadable);
            out.changed = true;
        }
    }

    if (!found.xmp.isEmpty()) {
        try {
            Exiv2::XmpData xmp;
            if (Exiv2::XmpParser::decode(xmp, found.xmp.toStdString()) != 0)
                throw std::runtime_error("undecodable");
            bool changed = story && withholdXmp(xmp, out.withheld);
            if (isCopy) {
                fitXmpToCopy(xmp, copy);
                changed = true;
            }
            if (changed || found.xmpFromText) {
                std::string packet;
                if (Exiv2::XmpParser::encode(packet, xmp, Exiv2::XmpParser::useCompactFormat) != 0)
                    throw std::runtime_error("undecodable");
                out.xmp = QByteArray::fromStdString(packet);
            } else {
                out.xmp = found.xmp;
            }
            if (jpeg && out.xmp.size() > kMaxJpegXmp)
                out.xmp.clear();
            out.changed = out.changed || changed || found.xmpFromText;
        } catch (const std::exception &) {
            if (story)
                out.withheld.add(Unreadable);
            out.changed = true;
        }
    }

    if (!found.irb.isEmpty()) {
        QList<Resource> resources;
        if (!story) {
            out.irb = found.irb;
        } else if (!splitResources(found.irb, resources)) {
            out.withheld.add(Unreadable);
            out.changed = true;
        } else {
            for (const Resource &r : resources) {
                if (std::find(std::begin(kThumbnailResources), std::end(kThumbnailResources), r.id) !=
                    std::end(kThumbnailResources)) {
                    out.withheld.add(Thumbnail);
                    out.changed = true;
                    continue;
                }
                if (std::find(std::begin(kCopiedResources), std::end(kCopiedResources), r.id) !=
                    std::end(kCopiedResources)) {
                    out.changed = true;
                    continue;
                }
                if (r.id != kIptcResource) {
                    out.irb.append(r.whole);
                    continue;
                }
                try {
                    Exiv2::IptcData iptc;
                    if (Exiv2::IptcParser::decode(iptc, bytesOf(r.data), uint32_t(r.data.size())) != 0)
                        throw std::runtime_error("undecodable");
                    if (withholdIptc(iptc, out.withheld)) {
                        out.changed = true;
                        const Exiv2::DataBuf encoded = Exiv2::IptcParser::encode(iptc);
                        if (encoded.size_ > 0)
                            out.irb.append(resourceBlock(
                                kIptcResource,
                                QByteArray(reinterpret_cast<const char *>(encoded.pData_), encoded.size_)));
                    } else {
                        out.irb.append(r.whole);
                    }
                } catch (const std::exception &) {
                    out.withheld.add(Unreadable);
                    out.changed = true;
                }
            }
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// JPEG: segments up to the first scan, then the image data to its end

enum class Role
{
    Structure, // tables, frame, restart interval, Adobe's colour transform: the picture itself
    Jfif,
    Exif,
    Xmp,
    Icc,
    Photoshop,
    Comment,
    Withheld, // the camera's or another program's own segment, a preview
};

struct Segment
{
    uchar marker = 0;
    qsizetype start = 0; // at its 0xFF
    qsizetype end = 0;
    Role role = Role::Structure;
    Kind kind = MakerNote; // what a Withheld segment counts as
};

struct Jpeg
{
    bool ok = false;
    QList<Segment> segments; // between the start marker and the first scan
    qsizetype scan = 0;      // the first scan's marker
    qsizetype imageEnd = 0;  // just past the end-of-image marker
};

bool payloadStarts(const QByteArray &b, const Segment &s, const char *id, qsizetype length)
{
    return s.end - s.start >= 4 + length && std::memcmp(b.constData() + s.start + 4, id, size_t(length)) == 0;
}

QByteArray payloadOf(const QByteArray &b, const Segment &s, qsizetype skip = 0)
{
    return b.mid(s.start + 4 + skip, s.end - s.start - 4 - skip);
}

Role roleOf(const QByteArray &b, Segment &s, bool &exifSeen, bool &xmpSeen)
{
    switch (s.marker) {
    case 0xE0:
        if (payloadStarts(b, s, "JFIF\0", 5))
            return Role::Jfif;
        if (payloadStarts(b, s, "JFXX\0", 5)) {
            s.kind = Thumbnail;
            return Role::Withheld;
        }
        return Role::Structure;
    case 0xE1:
        if (!exifSeen && payloadStarts(b, s, "Exif\0\0", 6)) {
            exifSeen = true;
            return Role::Exif;
        }
        if (!xmpSeen && payloadStarts(b, s, "http://ns.adobe.com/xap/1.0/\0", 29)) {
            xmpSeen = true;
            return Role::Xmp;
        }
        // Extended XMP holds what did not fit (depth maps, the uncropped
        // original of a portrait shot); anything else is a vendor's.
        s.kind = payloadStarts(b, s, "http://ns.adobe.com/xmp/extension/\0", 35) ? Thumbnail : MakerNote;
        return Role::Withheld;
    case 0xE2:
        if (payloadStarts(b, s, "ICC_PROFILE\0", 12))
            return Role::Icc;
        // The multi-picture index points at previews appended after the end.
        s.kind = payloadStarts(b, s, "MPF\0", 4) ? Thumbnail : MakerNote;
        return Role::Withheld;
    case 0xED:
        if (payloadStarts(b, s, "Photoshop 3.0\0", 14))
            return Role::Photoshop;
        return Role::Withheld;
    case 0xEE: // Adobe: tells the decoder how colours are stored
        return Role::Structure;
    case 0xFE:
        return Role::Comment;
    default:
        return s.marker >= 0xE0 && s.marker <= 0xEF ? Role::Withheld : Role::Structure;
    }
}

// Past the end-of-image marker, walking the image data and any tables
// between progressive scans; the whole size when it has none.
qsizetype imageEndOf(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const uchar *>(b.constData());
    const qsizetype n = b.size();
    while (at + 4 <= n) {
        // `at` is a marker with a length: the scan's header or a table.
        at += 2 + qFromBigEndian<quint16>(p + at + 2);
        for (;;) {
            const void *ff = at < n ? std::memchr(p + at, 0xFF, size_t(n - at)) : nullptr;
            if (!ff)
                return n;
            at = static_cast<const uchar *>(ff) - p;
            if (at + 1 >= n)
                return n;
            const uchar m = p[at + 1];
            if (m == 0x00 || m == 0xFF || (m >= 0xD0 && m <= 0xD7)) {
                at += m == 0xFF ? 1 : 2;
                continue;
            }
            if (m == 0xD9)
                return at + 2;
            break;
        }
    }
    return n;
}

Jpeg parseJpeg(const QByteArray &b)
{
    Jpeg jpeg;
    const auto *p = reinterpret_cast<const uchar *>(b.constData());
    const qsizetype n = b.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return jpeg;
    bool exifSeen = false, xmpSeen = false;
    qsizetype at = 2;
    for (;;) {
        if (at + 2 > n || p[at] != 0xFF)
            return jpeg;
        while (at + 2 <= n && p[at + 1] == 0xFF) // fill bytes before a marker
            ++at;
        if (at + 2 > n)
            return jpeg;
        Segment s;
        s.marker = p[at + 1];
        s.start = at;
        if (s.marker == 0xDA) {
            jpeg.scan = at;
            break;
        }
        if (s.marker == 0xD9)
            return jpeg; // no picture at all
        if (s.marker == 0x01 || (s.marker >= 0xD0 && s.marker <= 0xD8)) {
            s.end = at + 2;
        } else {
            if (at + 4 > n)
                return jpeg;
            const qsizetype length = qFromBigEndian<quint16>(p + at + 2);
            if (length < 2 || at + 2 + length > n)
                return jpeg;
            s.end = at + 2 + length;
        }
        s.role = roleOf(b, s, exifSeen, xmpSeen);
        jpeg.segments.append(s);
        at = s.end;
    }
    jpeg.imageEnd = imageEndOf(b, jpeg.scan);
    jpeg.ok = true;
    return jpeg;
}

Found metadataOfJpeg(const QByteArray &b, const Jpeg &jpeg)
{
    Found found;
    for (const Segment &s : jpeg.segments) {
        switch (s.role) {
        case Role::Exif:
            found.exif = payloadOf(b, s, 6);
            break;
        case Role::Xmp:
            found.xmp = payloadOf(b, s, 29);
            break;
        case Role::Icc:
            found.icc.append(payloadOf(b, s));
            break;
        case Role::Photoshop:
            found.irb.append(payloadOf(b, s, 14));
            break;
        case Role::Comment:
            found.comments.append(payloadOf(b, s));
            break;
        default:
            break;
        }
    }
    return found;
}

void putSegment(QByteArray &out, uchar marker, const QByteArray &head, const QByteArray &payload)
{
    const qsizetype length = 2 + head.size() + payload.size();
    out.append(char(0xFF)).append(char(marker));
    out.append(char(length >> 8)).append(char(length & 0xFF));
    out.append(head).append(payload);
}

void putPhotoshop(QByteArray &out, const QByteArray &irb)
{
    // Resource blocks longer than one segment continue in the next.
    static const QByteArray head("Photoshop 3.0\0", 14);
    constexpr qsizetype kMost = 65533 - 14;
    for (qsizetype at = 0; at < irb.size(); at += kMost)
        putSegment(out, 0xED, head, irb.mid(at, kMost));
}

// The metadata segments of a copy, in the order viewers expect them.
QByteArray jpegMetadata(const Found &found, const Carried &carried)
{
    QByteArray out;
    if (!carried.exif.isEmpty())
        putSegment(out, 0xE1, QByteArray("Exif\0\0", 6), carried.exif);
    if (!carried.xmp.isEmpty())
        putSegment(out, 0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0", 29), carried.xmp);
    for (const QByteArray &icc : found.icc)
        putSegment(out, 0xE2, {}, icc);
    if (!carried.irb.isEmpty())
        putPhotoshop(out, carried.irb);
    for (const QByteArray &comment : found.comments)
        putSegment(out, 0xFE, {}, comment);
    return out;
}

QByteArray jfifWithoutThumbnail(const QByteArray &b, const Segment &s, bool &hadOne)
{
    // "JFIF\0", version, units, densities, then the thumbnail's size.
    const QByteArray payload = payloadOf(b, s);
    hadOne = payload.size() > 14 && payload.at(12) != 0 && payload.at(13) != 0;
    if (!hadOne)
        return b.mid(s.start, s.end - s.start);
    QByteArray head = payload.left(14);
    head[12] = 0;
    head[13] = 0;
    QByteArray out;
    putSegment(out, 0xE0, head, {});
    return out;
}

SentPhoto originalJpeg(const QByteArray &b, MetadataRule rule)
{
    const Jpeg jpeg = parseJpeg(b);
    if (!jpeg.ok)
        return {b, {}};
    Carried carried = decide(metadataOfJpeg(b, jpeg), rule, {}, true);
    bool changed = carried.changed;
    QByteArray out;
    out.reserve(b.size());
    out.append(b.left(2));
    bool irbWritten = false;
    for (const Segment &s : jpeg.segments) {
        switch (s.role) {
        case Role::Structure:
        case Role::Icc:
        case Role::Comment:
            out.append(b.mid(s.start, s.end - s.start));
            break;
        case Role::Jfif: {
            bool thumbnail = false;
            out.append(jfifWithoutThumbnail(b, s, thumbnail));
            if (thumbnail) {
                carried.withheld.add(Thumbnail);
                changed = true;
            }
            break;
        }
        case Role::Exif:
            if (!carried.exif.isEmpty())
                putSegment(out, 0xE1, QByteArray("Exif\0\0", 6), carried.exif);
            break;
        case Role::Xmp:
            if (!carried.xmp.isEmpty())
                putSegment(out, 0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0", 29), carried.xmp);
            break;
        case Role::Photoshop:
            if (!irbWritten && !carried.irb.isEmpty())
                putPhotoshop(out, carried.irb);
            irbWritten = true;
            break;
        case Role::Withheld:
            carried.withheld.add(s.kind);
            changed = true;
            break;
        }
    }
    out.append(b.mid(jpeg.scan, jpeg.imageEnd - jpeg.scan));
    // What follows the picture's end is no part of it: cameras append
    // their large previews there.
    if (jpeg.imageEnd < b.size()) {
        carried.withheld.add(Thumbnail);
        changed = true;
    }
    if (!changed)
        return {b, {}};
    return {out, carried.withheld.names()};
}

QSize jpegSize(const QByteArray &b, const Jpeg &jpeg)
{
    for (const Segment &s : jpeg.segments) {
        const bool frame =
            s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8 && s.marker != 0xCC;
        if (frame && s.end - s.start >= 9) {
            const auto *p = reinterpret_cast<const uchar *>(b.constData()) + s.start;
            return QSize(qFromBigEndian<quint16>(p + 7), qFromBigEndian<quint16>(p + 5));
        }
    }
    return {};
}

SentPhoto copyJpeg(const QByteArray &source, const QByteArray &copy, MetadataRule rule)
{
    const Jpeg from = parseJpeg(source);
    const Jpeg to = parseJpeg(copy);
    if (!from.ok || !to.ok)
        return {copy, {}};
    const Found found = metadataOfJpeg(source, from);
    const Carried carried = decide(found, rule, jpegSize(copy, to), true);
    QByteArray out;
    out.reserve(copy.size() + 64 * 1024);
    out.append(copy.left(2));
    for (const Segment &s : to.segments) {
        if (s.role == Role::Jfif)
            out.append(copy.mid(s.start, s.end - s.start));
    }
    out.append(jpegMetadata(found, carried));
    for (const Segment &s : to.segments) {
        // The encoder's own profile only stands when the source had none.
        if (s.role == Role::Structure || (s.role == Role::Icc && found.icc.isEmpty()))
            out.append(copy.mid(s.start, s.end - s.start));
    }
    out.append(copy.mid(to.scan, to.imageEnd - to.scan));
    Kinds withheld = carried.withheld;
    if (rule == MetadataRule::StoryOnly) {
        // A copy never takes the source's extra segments; say so as the
        // original would.
        for (const Segment &s : from.segments) {
            if (s.role == Role::Withheld)
                withheld.add(s.kind);
        }
        if (from.imageEnd < source.size())
            withheld.add(Thumbnail);
    }
    return {out, withheld.names()};
}

// ---------------------------------------------------------------------------
// PNG: chunks, each with its own check sum

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

SentPhoto originalPng(const QByteArray &b, MetadataRule rule)
{
    const Png png = parsePng(b);
    if (!png.ok)
        return {b, {}};
    const Found found = metadataOfPng(b, png);
    Carried carried = decide(found, rule, {}, false);
    bool changed = carried.changed;
    QByteArray out;
    out.reserve(b.size());
    out.append(b.left(8));
    bool exifWritten = false, xmpWritten = false;
    for (const Chunk &c : png.chunks) {
        switch (c.role) {
        case ChunkRole::Structure:
        case ChunkRole::Icc:
        case ChunkRole::Text:
            out.append(b.mid(c.start, c.end - c.start));
            break;
        case ChunkRole::Exif:
        case ChunkRole::RawExif:
            // Exif found in an old text profile moves into its own chunk.
            if (!exifWritten && !carried.exif.isEmpty())
                putChunk(out, "eXIf", carried.exif);
            exifWritten = true;
            break;
        case ChunkRole::Xmp:
        case ChunkRole::RawXmp:
            if (!xmpWritten && !carried.xmp.isEmpty())
                putXmpChunk(out, carried.xmp);
            xmpWritten = true;
            break;
        case ChunkRole::RawOther:
            carried.withheld.add(Unreadable);
            changed = true;
            break;
        }
    }
    if (png.end < b.size()) {
        carried.withheld.add(Thumbnail);
        changed = true;
    }
    if (!changed)
        return {b, {}};
    return {out, carried.withheld.names()};
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

SentPhoto copyPng(const QByteArray &source, const QByteArray &copy, MetadataRule rule)
{
    const Png from = parsePng(source);
    const Png to = parsePng(copy);
    if (!from.ok || !to.ok || to.chunks.isEmpty() || to.chunks.first().type != "IHDR")
        return {copy, {}};
    const Found found = metadataOfPng(source, from);
    const Carried carried = decide(found, rule, pngSize(copy), false);
    QByteArray out = copy.left(8);
    const Chunk &header = to.chunks.first();
    out.append(copy.mid(header.start, header.end - header.start));
    out.append(pngMetadata(found, carried));
    const bool ownColour = found.icc.isEmpty();
    for (const Chunk &c : to.chunks.mid(1)) {
        const bool colour = c.type == "iCCP" || c.type == "sRGB" || c.type == "gAMA" || c.type == "cHRM";
        // The encoder carried the source's texts over itself; they came
        // in above, under the rule.
        if (c.role == ChunkRole::Structure ? (!colour || ownColour) : (c.role == ChunkRole::Icc && ownColour))
            out.append(copy.mid(c.start, c.end - c.start));
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

bool isJpeg(const QByteArray &b)
{
    return b.startsWith("\xFF\xD8\xFF");
}

bool isPng(const QByteArray &b)
{
    return b.startsWith("\x89PNG\r\n\x1A\n");
}

} // namespace

SentPhoto OriginalToSend(const QByteArray &photo, MetadataRule rule)
{
    if (rule == MetadataRule::Everything)
        return {photo, {}};
    if (isJpeg(photo))
        return originalJpeg(photo, rule);
    if (isPng(photo))
        return originalPng(photo, rule);
    return {photo, {}};
}

SentPhoto CopyToSend(const QByteArray &source, const QByteArray &copy, MetadataRule rule)
{
    if (isJpeg(source) && isJpeg(copy))
        return copyJpeg(source, copy, rule);
    if (isPng(source) && isPng(copy))
        return copyPng(source, copy, rule);
    return {copy, {}};
}

qint64 CopyMetadataSize(const QByteArray &source, MetadataRule rule)
{
    // Any size will do: only the dimension tags' values depend on it.
    const QSize some(1024, 768);
    if (isJpeg(source)) {
        const Jpeg jpeg = parseJpeg(source);
        if (!jpeg.ok)
            return 0;
        const Found found = metadataOfJpeg(source, jpeg);
        return jpegMetadata(found, decide(found, rule, some, true)).size();
    }
    if (isPng(source)) {
        const Png png = parsePng(source);
        if (!png.ok)
            return 0;
        const Found found = metadataOfPng(source, png);
        return pngMetadata(found, decide(found, rule, some, false)).size();
    }
    return 0;
}

QStringList MetadataKinds()
{
    QStringList kinds;
    for (const char *name : kKindNames)
        kinds << QLatin1String(name);
    return kinds;
}

int PhotoOrientation(const QByteArray &photo)
{
    QByteArray exif;
    if (isJpeg(photo)) {
        const Jpeg jpeg = parseJpeg(photo);
        if (jpeg.ok)
            exif = metadataOfJpeg(photo, jpeg).exif;
    } else if (isPng(photo)) {
        const Png png = parsePng(photo);
        if (png.ok)
            exif = metadataOfPng(photo, png).exif;
    }
    if (exif.isEmpty())
        return 1;
    try {
        startExiv2();
        Exiv2::ExifData data;
        Exiv2::ExifParser::decode(data, bytesOf(exif), uint32_t(exif.size()));
        const auto it = data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        const long value = it == data.end() || it->count() == 0 ? 1 : it->toLong();
        return value >= 1 && value <= 8 ? int(value) : 1;
    } catch (const std::exception &) {
        return 1;
    }
}

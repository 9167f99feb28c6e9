#include "imaging/MetadataRule.h"

#include <QtEndian>

#include <exiv2/error.hpp>
#include <exiv2/exif.hpp>
#include <exiv2/iptc.hpp>
#include <exiv2/tags.hpp>
#include <exiv2/xmp_exiv2.hpp>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <stdexcept>
#include <string>

namespace metadata {
namespace {

constexpr std::array<const char *, KindCount> kKindNames = {"gps",       "serial",   "owner",     "makernote",
                                                            "thumbnail", "location", "unreadable"};

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

constexpr qsizetype kMaxJpegExif = 65533 - 6;
constexpr qsizetype kMaxJpegXmp = 65533 - 29;

QByteArray encodeExif(const Exiv2::ExifData &exif, Exiv2::ByteOrder order)
{
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : order, exif);
    return QByteArray(reinterpret_cast<const char *>(blob.data()), qsizetype(blob.size()));
}

} // namespace

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

int orientationOf(const QByteArray &exif)
{
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

void Pieces::keep(const QByteArray &from, qsizetype start, qsizetype end)
{
    if (end <= start)
        return;
    m_pieces.append({&from, start, end, {}});
    m_size += end - start;
}

void Pieces::add(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    m_pieces.append({nullptr, 0, 0, bytes});
    m_size += bytes.size();
}

QByteArray Pieces::join() const
{
    QByteArray out;
    out.reserve(qsizetype(m_size));
    for (const Piece &p : m_pieces) {
        if (p.from)
            out.append(p.from->constData() + p.start, p.end - p.start);
        else
            out.append(p.bytes);
    }
    return out;
}

QStringList Kinds::names() const
{
    QStringList out;
    for (size_t i = 0; i < seen.size(); ++i) {
        if (seen[i])
            out << QLatin1String(kKindNames[i]);
    }
    return out;
}

QStringList allKinds()
{
    QStringList out;
    for (const char *name : kKindNames)
        out << QLatin1String(name);
    return out;
}

} // namespace metadata

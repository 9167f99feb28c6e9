#include "imaging/MetadataRule.h"

#include <QList>
#include <QSize>
#include <QtEndian>

#include <cstring>

namespace metadata {
namespace {

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

class JpegContainer final : public Container
{
public:
    bool recognises(const QByteArray &b) const override { return b.startsWith("\xFF\xD8\xFF"); }
    std::optional<Found> found(const QByteArray &photo) const override;
    bool segmented() const override { return true; }
    QByteArray blocks(const Found &found, const Carried &carried) const override
    {
        return jpegMetadata(found, carried);
    }
    Rewrite original(const QByteArray &photo, MetadataRule rule) const override;
    SentPhoto copy(const QByteArray &source, const QByteArray &copy, MetadataRule rule) const override;
};

std::optional<Found> JpegContainer::found(const QByteArray &photo) const
{
    const Jpeg jpeg = parseJpeg(photo);
    if (!jpeg.ok)
        return std::nullopt;
    return metadataOfJpeg(photo, jpeg);
}

Rewrite JpegContainer::original(const QByteArray &b, MetadataRule rule) const
{
    Rewrite rewrite;
    const Jpeg jpeg = parseJpeg(b);
    if (!jpeg.ok)
        return rewrite;
    const Carried carried = decide(metadataOfJpeg(b, jpeg), rule, {}, true);
    rewrite.changed = carried.changed;
    rewrite.withheld = carried.withheld;
    Pieces &out = rewrite.pieces;
    out.keep(b, 0, 2);
    bool irbWritten = false;
    for (const Segment &s : jpeg.segments) {
        QByteArray made;
        switch (s.role) {
        case Role::Structure:
        case Role::Icc:
        case Role::Comment:
            out.keep(b, s.start, s.end);
            break;
        case Role::Jfif: {
            bool thumbnail = false;
            out.add(jfifWithoutThumbnail(b, s, thumbnail));
            if (thumbnail) {
                rewrite.withheld.add(Thumbnail);
                rewrite.changed = true;
            }
            break;
        }
        case Role::Exif:
            if (!carried.exif.isEmpty())
                putSegment(made, 0xE1, QByteArray("Exif\0\0", 6), carried.exif);
            break;
        case Role::Xmp:
            if (!carried.xmp.isEmpty())
                putSegment(made, 0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0", 29), carried.xmp);
            break;
        case Role::Photoshop:
            if (!irbWritten && !carried.irb.isEmpty())
                putPhotoshop(made, carried.irb);
            irbWritten = true;
            break;
        case Role::Withheld:
            rewrite.withheld.add(s.kind);
            rewrite.changed = true;
            break;
        }
        out.add(made);
    }
    out.keep(b, jpeg.scan, jpeg.imageEnd);
    // What follows the picture's end is no part of it: cameras append
    // their large previews there.
    if (jpeg.imageEnd < b.size()) {
        rewrite.withheld.add(Thumbnail);
        rewrite.changed = true;
    }
    return rewrite;
}

SentPhoto JpegContainer::copy(const QByteArray &source, const QByteArray &copy, MetadataRule rule) const
{
    const Jpeg from = parseJpeg(source);
    const Jpeg to = parseJpeg(copy);
    if (!from.ok || !to.ok)
        return {copy, {}};
    const Found found = metadataOfJpeg(source, from);
    const Carried carried = decide(found, rule, jpegSize(copy, to), true);
    QByteArray out;
    out.reserve(copy.size() + 64 * 1024);
    out.append(copy.constData(), 2);
    for (const Segment &s : to.segments) {
        if (s.role == Role::Jfif)
            out.append(copy.constData() + s.start, s.end - s.start);
    }
    out.append(jpegMetadata(found, carried));
    for (const Segment &s : to.segments) {
        // The encoder's own profile only stands when the source had none.
        if (s.role == Role::Structure || (s.role == Role::Icc && found.icc.isEmpty()))
            out.append(copy.constData() + s.start, s.end - s.start);
    }
    out.append(copy.constData() + to.scan, to.imageEnd - to.scan);
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

} // namespace

const Container &jpegContainer()
{
    static const JpegContainer jpeg;
    return jpeg;
}

} // namespace metadata

#pragma once

// Inside the metadata rule: what a photo's container was found to hold (read
// by the Container of its format, which knows its structure) and what of it
// goes along (decided in MetadataRule.cpp, which knows the tags, through
// exiv2). Not for use outside imaging/.

#include "imaging/PhotoMetadata.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QStringList>

#include <array>
#include <optional>

namespace metadata {

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

struct Kinds
{
    std::array<bool, KindCount> seen{};
    void add(Kind kind) { seen[size_t(kind)] = true; }
    QStringList names() const;
};

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

// An original as it is to leave: stretches of the original, kept as they
// are, and blocks made afresh. Joined only when it is sent, so that weighing
// it costs no copy of the picture.
class Pieces
{
public:
    void keep(const QByteArray &from, qsizetype start, qsizetype end);
    void add(const QByteArray &bytes);
    qint64 size() const { return m_size; }
    QByteArray join() const;

private:
    struct Piece
    {
        const QByteArray *from = nullptr; // null: `bytes`
        qsizetype start = 0;
        qsizetype end = 0;
        QByteArray bytes;
    };
    QList<Piece> m_pieces;
    qint64 m_size = 0;
};

struct Rewrite
{
    bool changed = false; // false: the original goes as it is
    Pieces pieces;
    Kinds withheld;
};

// Applies `rule` to what was found. `copy` is the size of the copy the
// metadata goes into; empty for the original itself. `jpeg` bounds blocks to
// what one JPEG segment holds.
Carried decide(const Found &found, MetadataRule rule, QSize copy, bool jpeg);

// One container format's side of the rule (JPEG's segments, PNG's chunks):
// it finds the metadata blocks in its own structure and writes back what is
// carried; the compressed picture is copied as it is, never re-encoded.
class Container
{
public:
    virtual ~Container() = default;
    virtual bool recognises(const QByteArray &bytes) const = 0;
    // What `photo` holds; nothing when its structure cannot be read.
    virtual std::optional<Found> found(const QByteArray &photo) const = 0;
    // `decide`'s `jpeg`: blocks must fit one JPEG segment.
    virtual bool segmented() const = 0;
    // The metadata blocks a copy takes, in the order viewers expect them.
    virtual QByteArray blocks(const Found &found, const Carried &carried) const = 0;
    // The original under `rule`; unchanged when its structure cannot be read.
    virtual Rewrite original(const QByteArray &photo, MetadataRule rule) const = 0;
    // `copy`, in this format too, with `source`'s metadata under `rule`.
    virtual SentPhoto copy(const QByteArray &source, const QByteArray &copy, MetadataRule rule) const = 0;
};

// The container `bytes` are in; null for GIF, BMP and anything else.
const Container *containerOf(const QByteArray &bytes);
const Container &jpegContainer();
const Container &pngContainer();

// The orientation an Exif block (TIFF structure) names, 1 to 8; 1 for none.
int orientationOf(const QByteArray &exif);

// Every kind's short name, in the order of Kind.
QStringList allKinds();

} // namespace metadata

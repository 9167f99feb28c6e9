#pragma once

#include "imaging/PhotoMetadata.h"
#include "photoset/PrepareImage.h"
#include "webkit/Service.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QStringList>

#include <array>

class clsTray;

// "A look before sending": how many photos leave, how large they are after
// scaling and what metadata they lose, worked out from what the photo set
// learnt when it examined each photo, without encoding anything.
//
// How to use it: after photos were added, call EstimateSend(tray,
// uploadSize, rule) with the size and the rule the destination will use
// (the main window's UploadSize and MetadataRuleFor(KeepMetadata), or a
// command's --size and --keep-metadata). It is cheap (no file is read) and
// may be called on the user-interface thread whenever the set or the size
// changes.
//
// How good it is: at "Original size", and for a photo that already fits,
// bytes are exact. A JPEG scaled at the size the photo set made its copy
// for (the upload size when it was added) is exact too, and at the window's
// other sizes it comes from small samples encoded while it was added, within
// a few percent (flazz-metadata-bench prints the figures). A photo added at
// "Original size", and PNG, GIF and BMP, are estimated in proportion to
// their pixels: near for photographs, rough for anything else.

// What examining one photo learnt, kept with it in the set.
struct PhotoFacts
{
    PhotoFormat format = PhotoFormat::Unknown;
    QSize upright; // pixels as viewers show the photo; empty when unknown
    // The file as it leaves at "Original size", under StoryOnly and
    // Everything (indexed by int(MetadataRule)).
    std::array<qint64, 2> originalBytes{};
    // What StoryOnly takes out (short names, see PhotoMetadata.h).
    QStringList withheld;
    // Metadata a scaled copy carries, per rule.
    std::array<qint64, 2> copyMetadata{};
    // A copy made while examining: the upload size it was made for, and its
    // encoded pixels' bytes without metadata.
    int referenceSize = 0;
    QSize referenceDims;
    qint64 referenceBytes = 0;
    // What the encoder spends on the photo at the window's sizes, learnt
    // from the same decode (JPEGs that got a copy).
    EncodeRates rates;
};

// Learns the facts of a photo from its bytes; `pixels` is the copy scaled
// for `copySize` while examining it (metadata-free, or empty when none),
// `rates` what the decode that made it learnt.
PhotoFacts LearnPhotoFacts(const QByteArray &bytes, const QByteArray &pixels = {}, int copySize = 0,
                           const EncodeRates &rates = {});

struct PhotoEstimate
{
    qint64 bytes = 0;     // what leaves
    QSize size;           // output width x height, as viewers show it
    QStringList withheld; // metadata kinds removed; empty when none
    bool exact = false;   // bytes known, not guessed
};

// One photo at `uploadSize` (0: "Original size") under `rule`.
PhotoEstimate EstimatePhoto(const PhotoFacts &facts, int uploadSize, MetadataRule rule);

struct SendEstimate
{
    QList<PhotoEstimate> photos; // in set order
    qint64 totalBytes = 0;
    // Every kind withheld from at least one photo, in the order of
    // PhotoMetadata.h ("gps,serial,thumbnail" joined with commas).
    QStringList withheld;
};

SendEstimate EstimateSend(const clsTray &tray, int uploadSize, MetadataRule rule);

// A photo of an estimate that a service would refuse, and why.
struct BrokenLimit
{
    enum Kind
    {
        FileSize,
        PixelCount
    };
    int photo = 0; // index into SendEstimate::photos
    Kind kind = FileSize;
    qint64 value = 0; // the photo's bytes or pixels
    qint64 limit = 0;
};

// Every limit of `limits` a photo of `estimate` breaks, in set order. Where
// a photo's bytes are not exact, one close to a file-size limit may really
// fall on the other side of it.
QList<BrokenLimit> BrokenLimits(const SendEstimate &estimate, const ServiceLimits &limits);

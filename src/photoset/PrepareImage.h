#pragma once

#include "imaging/PhotoMetadata.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <array>

// The image formats a photo of the set may hold, told by its first bytes,
// never by its name.
enum class PhotoFormat
{
    Unknown,
    Bmp,
    Gif,
    Jpeg,
    Png
};

PhotoFormat PhotoFormatOf(const QByteArray &bytes);

// True when the file's content is a BMP, GIF, JPEG or PNG image whose header
// a decoder accepts; false for anything else, including unreadable files.
bool IsWiaImage(const QString &FilePath);

// The size `size` takes when both sides are bound by `bound`, the aspect
// ratio kept (the longer side becomes `bound`). Never larger than `size`.
QSize BoundedSize(const QSize &size, int bound);

// The bytes a photo goes out with: a copy scaled to fit `UploadSize`, in the
// source's format and turned upright (an animated GIF keeps its first frame),
// when the photo is larger than that; otherwise the file's own bytes
// (`UploadSize` below 1 is "Original size"; a photo that fits is never
// re-encoded, nor one that is not of the four formats). Either way it carries
// the metadata `rule` lets go (see OriginalToSend and CopyToSend). Empty only
// when the file cannot be read. Safe to call from several threads at once:
// it writes no temporary file and reads no shared state.
QByteArray PrepareImage(const QString &FilePath, int UploadSize, MetadataRule rule = MetadataRule::StoryOnly);

// The same for a photo already read into memory. `scaled` (when given) tells
// whether a scaled copy came back. When scaling or encoding fails half-way,
// the original goes as it would at "Original size".
QByteArray PrepareImageBytes(const QByteArray &original, int UploadSize,
                             MetadataRule rule = MetadataRule::StoryOnly, bool *scaled = nullptr);

// The scaled copy's pixels alone, encoded, without any metadata; empty when
// the photo is not scaled (see PrepareImage).
QByteArray ScaledCopy(const QByteArray &original, int UploadSize);

// The scaled copy of a clean JPEG that is larger than `UploadSize`, decoded
// strictly: empty for anything else, and for a JPEG the decoder has any
// complaint about (PrepareImageBytes then takes Qt's more forgiving road).
// A copy that comes back therefore also proves the file whole, which lets
// the photo set make it while it examines the file, once for both.
// It comes without metadata: CopyToSend adds what a rule lets go.
//
// `rates`, when given, learns from the same decode what the encoder spends
// on this photo at each of the main window's sizes (see EncodeRates).
struct EncodeRates;
QByteArray ScaledJpegPixels(const QByteArray &original, int UploadSize, EncodeRates *rates = nullptr);

// What our JPEG encoder spends per pixel on one photo scaled to 800, 1024
// and 1600 pixels, learnt by encoding a mosaic of small tiles taken across a
// decode of it: a few hundredths of the work of encoding the copies, for
// estimates of what leaves.
struct EncodeRates
{
    static constexpr std::array<int, 3> Sizes{800, 1024, 1600};
    std::array<double, 3> bytesPerPixel{}; // 0: not learnt
    std::array<bool, 3> fromCoarser{};     // sampled from a decode smaller than the size
    // The bytes of `size` pixels scaled to fit `uploadSize`, headers
    // included; 0 when not learnt.
    qint64 bytesFor(int uploadSize, QSize size) const;
};

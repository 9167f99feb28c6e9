#include "photoset/SendEstimate.h"

#include "photoset/PrepareImage.h"
#include "photoset/clsTray.h"

#include <QBuffer>
#include <QImageReader>

#include <cmath>

namespace {

// How an encoded picture's bytes grow with its pixel count: less than in
// proportion, since a smaller picture of the same scene packs more detail
// into each pixel. Fitted on photographs scaled between 800 and 1600 pixels
// and from 24 megapixels (bench/EstimateBench.cpp).
constexpr double kJpegGrowth = 0.80;
constexpr double kPngGrowth = 0.90;
// What our encoder (quality 90, 4:2:0) makes of a camera's picture at the
// same pixel count, camera files being coded more generously.
constexpr double kJpegFromOriginal = 1.0;

double area(QSize size)
{
    return double(size.width()) * double(size.height());
}

} // namespace

PhotoFacts LearnPhotoFacts(const QByteArray &bytes, const QByteArray &pixels, int copySize)
{
    PhotoFacts facts;
    facts.format = PhotoFormatOf(bytes);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QSize stored = QImageReader(&buffer).size();
    facts.upright = stored.isValid() && PhotoOrientation(bytes) >= 5 ? stored.transposed() : stored;

    const SentPhoto story = OriginalToSend(bytes, MetadataRule::StoryOnly);
    facts.originalBytes = {story.bytes.size(), bytes.size()};
    facts.withheld = story.withheld;
    facts.copyMetadata = {CopyMetadataSize(bytes, MetadataRule::StoryOnly),
                          CopyMetadataSize(bytes, MetadataRule::Everything)};
    if (!pixels.isEmpty() && facts.upright.isValid()) {
        facts.referenceSize = copySize;
        facts.referenceDims = BoundedSize(facts.upright, copySize);
        facts.referenceBytes = pixels.size();
    }
    return facts;
}

PhotoEstimate EstimatePhoto(const PhotoFacts &facts, int uploadSize, MetadataRule rule)
{
    const size_t r = rule == MetadataRule::StoryOnly ? 0 : 1;
    PhotoEstimate estimate;
    estimate.size = BoundedSize(facts.upright, uploadSize);
    if (rule == MetadataRule::StoryOnly)
        estimate.withheld = facts.withheld;
    if (uploadSize < 1 || !facts.upright.isValid() || estimate.size == facts.upright) {
        estimate.bytes = facts.originalBytes[r];
        estimate.exact = true;
        return estimate;
    }

    const double pixels = area(estimate.size);
    double picture = 0;
    if (facts.referenceBytes > 0) {
        estimate.exact = facts.referenceSize == uploadSize;
        picture = double(facts.referenceBytes) * std::pow(pixels / area(facts.referenceDims), kJpegGrowth);
    } else if (facts.format == PhotoFormat::Bmp) {
        // Rows of three bytes a pixel, padded to four, after the headers.
        const qint64 row = (qint64(estimate.size.width()) * 3 + 3) / 4 * 4;
        picture = double(54 + row * estimate.size.height());
    } else if (facts.format == PhotoFormat::Gif) {
        // Palette codes compress about as well at any size.
        picture = double(facts.originalBytes[1]) * pixels / area(facts.upright);
    } else {
        const bool jpeg = facts.format == PhotoFormat::Jpeg;
        const double source = double(std::max<qint64>(0, facts.originalBytes[1] - facts.copyMetadata[1]));
        picture = source * std::pow(pixels / area(facts.upright), jpeg ? kJpegGrowth : kPngGrowth) *
                  (jpeg ? kJpegFromOriginal : 1.0);
    }
    estimate.bytes = qint64(std::llround(picture)) + facts.copyMetadata[r];
    return estimate;
}

SendEstimate EstimateSend(const clsTray &tray, int uploadSize, MetadataRule rule)
{
    SendEstimate total;
    QStringList seen;
    for (int i = 0; i < tray.Count(); ++i) {
        const PhotoEstimate photo = EstimatePhoto(tray.Facts(i), uploadSize, rule);
        total.totalBytes += photo.bytes;
        seen += photo.withheld;
        total.photos.append(photo);
    }
    // In the order the kinds are named, not the order photos came in.
    for (const QString &kind : MetadataKinds()) {
        if (seen.contains(kind))
            total.withheld << kind;
    }
    return total;
}

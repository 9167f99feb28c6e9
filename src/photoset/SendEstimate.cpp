#include "photoset/SendEstimate.h"

#include "photoset/PrepareImage.h"
#include "photoset/clsTray.h"

#include <QBuffer>
#include <QImageReader>

#include <cmath>

namespace {

double area(QSize size)
{
    return double(size.width()) * double(size.height());
}

} // namespace

PhotoFacts LearnPhotoFacts(const QByteArray &bytes, const QByteArray &pixels, int copySize,
                           const EncodeRates &rates)
{
    PhotoFacts facts;
    facts.format = PhotoFormatOf(bytes);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QSize stored = QImageReader(&buffer).size();
    facts.upright = stored.isValid() && PhotoOrientation(bytes) >= 5 ? stored.transposed() : stored;

    facts.originalBytes = {OriginalSizeToSend(bytes, MetadataRule::StoryOnly, &facts.withheld), bytes.size()};
    facts.copyMetadata = {CopyMetadataSize(bytes, MetadataRule::StoryOnly),
                          CopyMetadataSize(bytes, MetadataRule::Everything)};
    if (!pixels.isEmpty() && facts.upright.isValid()) {
        facts.referenceSize = copySize;
        facts.referenceDims = BoundedSize(facts.upright, copySize);
        facts.referenceBytes = pixels.size();
    }
    facts.rates = rates;
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

    // Without samples, bytes follow the pixel count: how much more a pixel
    // costs in a smaller picture depends on the scene, and in proportion is
    // the middle of the road.
    const double pixels = area(estimate.size);
    double picture = 0;
    if (facts.referenceBytes > 0 && facts.referenceSize == uploadSize) {
        estimate.exact = true;
        picture = double(facts.referenceBytes);
    } else if (const qint64 sampled = facts.rates.bytesFor(uploadSize, estimate.size)) {
        picture = double(sampled);
    } else if (facts.referenceBytes > 0) {
        picture = double(facts.referenceBytes) * pixels / area(facts.referenceDims);
    } else if (facts.format == PhotoFormat::Bmp) {
        // Rows of three bytes a pixel, padded to four, after the headers.
        const qint64 row = (qint64(estimate.size.width()) * 3 + 3) / 4 * 4;
        picture = double(54 + row * estimate.size.height());
    } else {
        const double source = double(std::max<qint64>(0, facts.originalBytes[1] - facts.copyMetadata[1]));
        picture = source * pixels / area(facts.upright);
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

QList<BrokenLimit> BrokenLimits(const SendEstimate &estimate, const ServiceLimits &limits)
{
    QList<BrokenLimit> broken;
    for (int i = 0; i < estimate.photos.size(); ++i) {
        const PhotoEstimate &photo = estimate.photos.at(i);
        const qint64 pixels = qint64(photo.size.width()) * photo.size.height();
        if (limits.fileBytes > 0 && photo.bytes > limits.fileBytes)
            broken.append({i, BrokenLimit::FileSize, photo.bytes, limits.fileBytes});
        if (limits.pixels > 0 && photo.size.isValid() && pixels > limits.pixels)
            broken.append({i, BrokenLimit::PixelCount, pixels, limits.pixels});
    }
    return broken;
}

#include "imaging/PhotoMetadata.h"

#include "imaging/JpegMetadata.h"
#include "imaging/MetadataRule.h"
#include "imaging/PngMetadata.h"

using namespace metadata;

namespace {

Rewrite rewriteOf(const QByteArray &photo, MetadataRule rule)
{
    if (rule == MetadataRule::StoryOnly && isJpeg(photo))
        return originalJpeg(photo, rule);
    if (rule == MetadataRule::StoryOnly && isPng(photo))
        return originalPng(photo, rule);
    return {};
}

} // namespace

SentPhoto OriginalToSend(const QByteArray &photo, MetadataRule rule)
{
    const Rewrite rewrite = rewriteOf(photo, rule);
    if (!rewrite.changed)
        return {photo, {}};
    return {rewrite.pieces.join(), rewrite.withheld.names()};
}

qint64 OriginalSizeToSend(const QByteArray &photo, MetadataRule rule, QStringList *withheld)
{
    const Rewrite rewrite = rewriteOf(photo, rule);
    if (withheld)
        *withheld = rewrite.changed ? rewrite.withheld.names() : QStringList();
    return rewrite.changed ? rewrite.pieces.size() : photo.size();
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
    if (isJpeg(source))
        return jpegCopyMetadataSize(source, rule);
    if (isPng(source))
        return pngCopyMetadataSize(source, rule);
    return 0;
}

QStringList MetadataKinds()
{
    return allKinds();
}

int PhotoOrientation(const QByteArray &photo)
{
    const QByteArray exif = isJpeg(photo) ? jpegExif(photo) : isPng(photo) ? pngExif(photo) : QByteArray();
    return exif.isEmpty() ? 1 : orientationOf(exif);
}

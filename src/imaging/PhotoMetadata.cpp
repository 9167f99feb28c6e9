#include "imaging/PhotoMetadata.h"

#include "imaging/JpegMetadata.h"
#include "imaging/MetadataRule.h"
#include "imaging/PngMetadata.h"

using namespace metadata;

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

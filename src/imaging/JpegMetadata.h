#pragma once

#include "imaging/MetadataRule.h"
#include "imaging/PhotoMetadata.h"

#include <QByteArray>

// JPEG's side of the metadata rule: the segments before the first scan,
// rewritten; the compressed picture copied as it is.
namespace metadata {

bool isJpeg(const QByteArray &bytes);
Rewrite originalJpeg(const QByteArray &photo, MetadataRule rule);
SentPhoto copyJpeg(const QByteArray &source, const QByteArray &copy, MetadataRule rule);
qint64 jpegCopyMetadataSize(const QByteArray &source, MetadataRule rule);
// The Exif block (TIFF structure); empty when there is none.
QByteArray jpegExif(const QByteArray &photo);

} // namespace metadata

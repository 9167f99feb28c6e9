#pragma once

#include "imaging/MetadataRule.h"
#include "imaging/PhotoMetadata.h"

#include <QByteArray>

// PNG's side of the metadata rule: the ancillary chunks that hold metadata,
// rewritten; every other chunk copied as it is.
namespace metadata {

bool isPng(const QByteArray &bytes);
Rewrite originalPng(const QByteArray &photo, MetadataRule rule);
SentPhoto copyPng(const QByteArray &source, const QByteArray &copy, MetadataRule rule);
qint64 pngCopyMetadataSize(const QByteArray &source, MetadataRule rule);
// The Exif block (TIFF structure); empty when there is none.
QByteArray pngExif(const QByteArray &photo);

} // namespace metadata

#pragma once

#include "imaging/PhotoMetadata.h"

#include <QByteArray>
#include <QString>

struct QueuedPhoto;

// Originals above this are not sent (the services take far less).
inline constexpr qint64 kMaxOriginalBytes = qint64(256) * 1024 * 1024;

// The bytes a photo goes out with, and the name it goes out under. The same
// preparation as the Zip export (PrepareImage): scaled to the upload size
// in the photo's own format, the original file never touched; size 0 sends
// the file's own bytes; either way with the metadata `rule` lets go. Runs on
// any thread.
struct PreparedPhoto
{
    QByteArray bytes; // empty when the file cannot be read
    QString fileName;
};

// The photo's own file, as it was when it was queued, scaled to
// `uploadSize` (0: its bytes as they are). The file is opened without
// following a link put in its place, refused at once when it is not a plain
// file, checked against what was recorded when it was queued (its content
// hashed again when its size or time differ) and read no further than the
// size recorded then: nothing but the photo the user chose is ever sent.
// `problem` says why nothing came back.
PreparedPhoto preparePhoto(const QueuedPhoto &photo, int uploadSize, MetadataRule rule, QString *problem);

// The copy the photo set scaled for a queued photo when its job was queued,
// when it is still there and whole; empty bytes otherwise (the photo is then
// scaled afresh). The photo set read and decoded every photo when it was
// added: sending its copy spares reading 24 MP from the disk and decoding
// them a second time.
PreparedPhoto preparedCopy(const QueuedPhoto &photo, int uploadSize);

// Keeps a copy scaled by the photo set in `folder` for the uploader, readable
// by its owner only, under a name that lets the uploader tell whether it came
// through whole; returns its path, or an empty text when it could not be
// written (the uploader then scales the photo itself).
QString keepPreparedCopy(const QString &folder, const QByteArray &bytes);

#pragma once

#include "imaging/PhotoMetadata.h"

#include <QString>
#include <QStringList>

#include <functional>

// Writes a zip archive of photos: one entry per photo, in the given order,
// named by the photo's file name without its folder (two photos of the same
// name give two entries of that name), holding PrepareImage's bytes.
//
// Photos are prepared on worker threads, one per core, a few ahead of the
// entry being written, so a large set never sits in memory at once and the
// entries still land in order. Photos already compressed (JPEG, PNG, GIF) are
// stored as they are; anything else is deflated. A photo that cannot be read
// at all (moved or deleted since it was added) is left out, and the rest of
// the archive is written all the same.
//
// The archive is built under a temporary name beside the final one and takes
// the final name only when complete: a failure or a cancel leaves no file
// under the final name, and an archive of that name written earlier stays
// untouched until the new one replaces it.
class ZipArchiveWriter
{
public:
    enum class Outcome
    {
        Written,
        Cancelled,
        Failed
    };

    struct Hooks
    {
        // After each entry: entries written so far, and the total.
        std::function<void(int written, int total)> progress;
        // Polled between entries and while waiting; true stops the run.
        std::function<bool()> cancelled;
        // Called every few milliseconds while waiting for a photo, so that a
        // window stays responsive.
        std::function<void()> pump;
    };

    // `uploadSize` as PrepareImage takes it; `threads` 0 means one per core.
    explicit ZipArchiveWriter(int uploadSize, int threads = 0);

    // The metadata the photos take into the archive (StoryOnly unless set).
    void setMetadataRule(MetadataRule rule) { m_rule = rule; }

    // `prepared`, when given, holds for each photo the bytes already made
    // for this upload size and metadata rule (empty where none were made);
    // those photos are not decoded again.
    Outcome write(const QString &archivePath, const QStringList &photoPaths, const Hooks &hooks = {},
                  const QList<QByteArray> &prepared = {});

    // Why the last write failed, in words for a log or the command line.
    QString errorString() const { return m_error; }
    // The photos the last write left out because they could not be read, in
    // the order given.
    QStringList leftOut() const { return m_leftOut; }

private:
    int m_uploadSize;
    int m_threads;
    MetadataRule m_rule = MetadataRule::StoryOnly;
    QString m_error;
    QStringList m_leftOut;
};

#include "uploader/PhotoPreparation.h"

#include "photoset/PrepareImage.h"
#include "platform/FileIdentity.h"
#include "uploader/UploadQueue.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A scaled photo is a few MB at most; anything far larger is not ours.
constexpr qint64 kMaxPreparedBytes = 64 * 1024 * 1024;

QString changed()
{
    return QStringLiteral("The photo changed after it was queued");
}

// The bytes of the photo's own file, or why there are none.
QByteArray readOriginal(const QueuedPhoto &photo, QString *problem)
{
    const platform::FileIdentity &recorded = photo.identity;
    if (!recorded.isValid()) {
        // Queued before what was checked was kept: no swapped-in link, pipe
        // or device is read all the same.
        platform::GuardedFile file(photo.path);
        if (!file.isOpen()) {
            *problem = platform::guardedFileProblem(file.status());
            return {};
        }
        bool complete = false;
        QByteArray bytes = file.read(kMaxOriginalBytes, &complete);
        if (!complete)
            *problem = bytes.isEmpty()
                           ? platform::guardedFileProblem(platform::GuardedFile::Status::Unreadable)
                           : QStringLiteral("The photo is too large to send");
        return complete ? bytes : QByteArray();
    }
    platform::GuardedFile file(recorded.path);
    if (!file.isOpen()) {
        // It was a plain file when queued: whatever stands there now is
        // something else.
        *problem = file.status() == platform::GuardedFile::Status::Missing
                       ? platform::guardedFileProblem(file.status())
                       : changed();
        return {};
    }
    const platform::FileIdentity now = file.stamp();
    bool complete = false;
    QByteArray bytes = now.size == recorded.size ? file.read(recorded.size, &complete) : QByteArray();
    // Without a digest (the photo was to go as its scaled copy) nothing
    // but the same stamp vouches for the file.
    if (!complete || bytes.size() != recorded.size ||
        (!now.sameStamp(recorded) &&
         (recorded.digest.isEmpty() || platform::contentDigest(bytes) != recorded.digest))) {
        *problem = changed();
        return {};
    }
    return bytes;
}

QString digestOf(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

} // namespace

PreparedPhoto preparePhoto(const QueuedPhoto &photo, int uploadSize, MetadataRule rule, QString *problem)
{
    const QByteArray original = readOriginal(photo, problem);
    if (original.isEmpty()) {
        if (problem->isEmpty())
            *problem = QStringLiteral("The photo is empty");
        return {};
    }
    return {PrepareImageBytes(original, uploadSize, rule), QFileInfo(photo.path).fileName()};
}

PreparedPhoto preparedCopy(const QueuedPhoto &photo, int uploadSize)
{
    if (photo.prepared.isEmpty() || uploadSize <= 0)
        return {};
    QFile file(photo.prepared);
    if (file.size() > kMaxPreparedBytes || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    // Named after its digest when written: a copy cut short by a crash, or
    // changed since, does not match and is not sent.
    if (bytes.isEmpty() || digestOf(bytes) != QFileInfo(photo.prepared).fileName())
        return {};
    return {bytes, QFileInfo(photo.path).fileName()};
}

QString keepPreparedCopy(const QString &folder, const QByteArray &bytes)
{
    if (bytes.isEmpty() || !QDir().mkpath(folder))
        return {};
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString path = QDir(folder).filePath(digestOf(bytes));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        file.remove();
        return {};
    }
    return path;
}

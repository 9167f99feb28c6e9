#include "uploader/PhotoPreparation.h"

#include "photoset/PrepareImage.h"
#include "uploader/UploadQueue.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A scaled photo is a few MB at most; anything far larger is not ours.
constexpr qint64 kMaxPreparedBytes = 64 * 1024 * 1024;

QString digestOf(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

} // namespace

PreparedPhoto preparePhoto(const QString &path, int uploadSize, MetadataRule rule)
{
    return {PrepareImage(path, uploadSize, rule), QFileInfo(path).fileName()};
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

#include "platform/FileIdentity.h"

#include <QFile>
#include <QFileInfo>

#include <openssl/evp.h>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QDateTime>
#endif

namespace platform {

#ifdef Q_OS_UNIX
struct GuardedFile::Handle
{
    int fd = -1;
    ~Handle()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

GuardedFile::GuardedFile(const QString &path) : m_handle(std::make_unique<Handle>())
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        m_status = errno == ENOENT || errno == ENOTDIR ? Status::Missing
                   : errno == ELOOP                    ? Status::Link
                                                       : Status::Unreadable;
        return;
    }
    m_handle->fd = fd;
    struct stat st = {};
    if (::fstat(fd, &st) != 0) {
        m_status = Status::Unreadable;
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        m_status = Status::NotRegular;
        return;
    }
    m_stamp.path = path;
    m_stamp.device = quint64(st.st_dev);
    m_stamp.inode = quint64(st.st_ino);
    m_stamp.size = qint64(st.st_size);
    m_stamp.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + qint64(st.st_mtim.tv_nsec);
    m_status = Status::Open;
}

qint64 GuardedFile::readAt(qint64 offset, char *into, qint64 length)
{
    qint64 got = 0;
    while (got < length) {
        const ssize_t n = ::pread(m_handle->fd, into + got, size_t(length - got), off_t(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}
#else
// Elsewhere Qt's file is the portable stand-in: links and non-files are
// refused by looking before opening.
struct GuardedFile::Handle
{
    QFile file;
};

GuardedFile::GuardedFile(const QString &path) : m_handle(std::make_unique<Handle>())
{
    const QFileInfo info(path);
    if (info.isSymLink()) {
        m_status = Status::Link;
        return;
    }
    if (!info.exists()) {
        m_status = Status::Missing;
        return;
    }
    if (!info.isFile()) {
        m_status = Status::NotRegular;
        return;
    }
    m_handle->file.setFileName(path);
    if (!m_handle->file.open(QIODevice::ReadOnly) || m_handle->file.isSequential()) {
        m_status = Status::Unreadable;
        return;
    }
    m_stamp.path = path;
    m_stamp.size = m_handle->file.size();
    m_stamp.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    m_status = Status::Open;
}

qint64 GuardedFile::readAt(qint64 offset, char *into, qint64 length)
{
    if (!m_handle->file.seek(offset))
        return -1;
    return m_handle->file.read(into, length);
}
#endif

GuardedFile::~GuardedFile() = default;

QByteArray GuardedFile::read(qint64 maxBytes, bool *complete)
{
    if (complete)
        *complete = false;
    if (!isOpen() || maxBytes < 0)
        return {};
    QByteArray bytes(qsizetype(maxBytes), Qt::Uninitialized);
    const qint64 got = readAt(0, bytes.data(), maxBytes);
    if (got < 0)
        return {};
    bytes.truncate(qsizetype(got));
    if (complete) {
        char probe = 0;
        *complete = readAt(got, &probe, 1) == 0;
    }
    return bytes;
}

QByteArray GuardedFile::digest(qint64 length, bool *complete)
{
    if (complete)
        *complete = false;
    if (!isOpen() || length < 0)
        return {};
    // A piece at a time: hashing a large original costs no more memory
    // than the piece.
    constexpr qint64 kPiece = 1024 * 1024;
    QByteArray piece(qsizetype(qMin(kPiece, qMax<qint64>(1, length))), Qt::Uninitialized);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || !EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr))
        return {};
    for (qint64 offset = 0; offset < length;) {
        const qint64 got = readAt(offset, piece.data(), qMin<qint64>(piece.size(), length - offset));
        if (got <= 0 || !EVP_DigestUpdate(context.get(), piece.constData(), size_t(got)))
            return {};
        offset += got;
    }
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!EVP_DigestFinal_ex(context.get(), md, &size))
        return {};
    if (complete) {
        char probe = 0;
        *complete = readAt(length, &probe, 1) == 0;
    }
    return QByteArray(reinterpret_cast<const char *>(md), int(size)).toHex();
}

QByteArray contentDigest(const QByteArray &bytes)
{
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!EVP_Digest(bytes.constData(), size_t(bytes.size()), md, &length, EVP_sha256(), nullptr))
        return {};
    return QByteArray(reinterpret_cast<const char *>(md), int(length)).toHex();
}

QString guardedFileProblem(GuardedFile::Status status)
{
    switch (status) {
    case GuardedFile::Status::Open:
        return {};
    case GuardedFile::Status::Missing:
        return QStringLiteral("The photo is no longer there");
    case GuardedFile::Status::Link:
        return QStringLiteral("A link stands where the photo was");
    case GuardedFile::Status::NotRegular:
        return QStringLiteral("It is not a photo file");
    case GuardedFile::Status::Unreadable:
        break;
    }
    return QStringLiteral("The photo cannot be read");
}

FileIdentity recordIdentity(const QString &path, qint64 maxBytes, IdentityDigest digest, QString *problem)
{
    const auto refuse = [&](const QString &why) {
        if (problem)
            *problem = why;
        return FileIdentity{};
    };
    const QString resolved = QFileInfo(path).canonicalFilePath();
    if (resolved.isEmpty())
        return refuse(guardedFileProblem(GuardedFile::Status::Missing));
    GuardedFile file(resolved);
    if (!file.isOpen())
        return refuse(guardedFileProblem(file.status()));
    FileIdentity identity = file.stamp();
    if (identity.size > maxBytes)
        return refuse(QStringLiteral("The photo is too large to send"));
    if (digest == IdentityDigest::Whole) {
        bool complete = false;
        identity.digest = file.digest(identity.size, &complete);
        if (!complete || identity.digest.isEmpty())
            return refuse(QStringLiteral("The photo changed while it was read"));
    }
    if (problem)
        problem->clear();
    return identity;
}

} // namespace platform

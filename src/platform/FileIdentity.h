#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace platform {

// What a file was when it was looked at: enough to tell later, without
// trusting its name, whether the file found there is still that one.
struct FileIdentity
{
    QString path; // resolved: no link left in it
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0; // since the epoch
    QByteArray digest;     // SHA-256 of the whole file, hex; empty when not taken

    bool isValid() const { return size >= 0 && !path.isEmpty(); }
    // Same file, same size, same time: nothing suggests a change.
    bool sameStamp(const FileIdentity &other) const
    {
        return device == other.device && inode == other.inode && size == other.size &&
               modifiedNs == other.modifiedNs;
    }
};

// One regular file, opened for reading without following a link in its
// last component and without waiting on it: a link, a pipe, a device or a
// folder is refused at once instead of being read (a pipe would block the
// reader forever, a device never ends). Reads come from the file that was
// opened, never from the name again.
class GuardedFile
{
public:
    enum class Status
    {
        Open,
        Missing,
        Link,       // a symbolic link stands where the file was
        NotRegular, // a pipe, device, socket or folder
        Unreadable
    };

    explicit GuardedFile(const QString &path);
    ~GuardedFile();
    GuardedFile(const GuardedFile &) = delete;
    GuardedFile &operator=(const GuardedFile &) = delete;

    Status status() const { return m_status; }
    bool isOpen() const { return m_status == Status::Open; }
    // Device, inode, size and time of the opened file; no digest.
    FileIdentity stamp() const { return m_stamp; }
    // Up to `maxBytes` from the start; `complete` tells whether the file
    // ended there (nothing more to read). Empty on a read error.
    QByteArray read(qint64 maxBytes, bool *complete = nullptr);
    // The SHA-256 (hex) of the first `length` bytes, read a piece at a time;
    // empty when the file ends before them or cannot be read. `complete`
    // as for read().
    QByteArray digest(qint64 length, bool *complete = nullptr);

private:
    // Up to `length` bytes at `offset` into `into`; the count, -1 on an error.
    qint64 readAt(qint64 offset, char *into, qint64 length);

    struct Handle;
    std::unique_ptr<Handle> m_handle;
    Status m_status = Status::Unreadable;
    FileIdentity m_stamp;
};

// SHA-256 of `bytes`, hex.
QByteArray contentDigest(const QByteArray &bytes);

enum class IdentityDigest
{
    Whole, // the content is read and hashed
    None   // the file's stamp alone
};

// The identity of the file at `path`, the path's links resolved first (a
// link the user chose is theirs to choose), with the digest of its whole
// content when asked. Invalid, with `problem` set, for anything but a
// readable regular file of at most `maxBytes`.
FileIdentity recordIdentity(const QString &path, qint64 maxBytes, IdentityDigest digest,
                            QString *problem = nullptr);

// Why a guarded open refused, in the user's words.
QString guardedFileProblem(GuardedFile::Status status);

} // namespace platform

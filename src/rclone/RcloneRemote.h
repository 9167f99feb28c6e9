#pragma once

#include "rclone/RcloneText.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class RcloneDaemon;
struct RcloneAnswer;

// How an operation on a remote went.
struct RcloneResult
{
    bool ok = true;
    RcloneFailure failure = RcloneFailure::Transient; // when not ok
    QString error;                                    // when not ok; redacted

    static RcloneResult from(const RcloneAnswer &answer);
    static RcloneResult failed(RcloneFailure failure, QString error) { return {false, failure, error}; }
};

struct RcloneEntry
{
    QString name;
    bool isFolder = false;
    qint64 size = -1;
};

// One remote of the rclone configuration, reached through a daemon of ours.
// Paths are relative to the remote's top ("Trips/2024/a.jpg"). Every call is
// bounded by the time given at construction; an upload gets more, as long as
// its bytes take at `slowestBytesPerSecond`.
class RcloneRemote
{
public:
    RcloneRemote(const RcloneDaemon &daemon, QString name, int deadlineMs = 60000,
                 qint64 slowestBytesPerSecond = 50000);

    QString name() const { return m_name; }
    QString fs() const { return m_name + u':'; }

    // The folder's entries (files and folders); a missing folder is empty.
    RcloneResult list(const QString &folder, QList<RcloneEntry> *entries, bool foldersOnly = false) const;
    // Makes the folder and those above it; an existing one is fine.
    RcloneResult makeFolder(const QString &folder) const;
    RcloneResult remove(const QString &path) const;

    // What the remote offers that sending without replacing relies on.
    struct Facts
    {
        bool canMove = false; // renames on the server, without sending the bytes again
        QString hashType;     // "md5" or "sha1" when the remote keeps one; else sizes only
    };
    RcloneResult facts(Facts *out) const;

    enum class Holding
    {
        Absent,
        Same, // the same size, and the same hash where the remote keeps one
        Other
    };
    // What `path` holds compared with `bytes`.
    RcloneResult holds(const QString &path, const QByteArray &bytes, const Facts &facts, Holding *out) const;

    enum class Put
    {
        Stored, // `name` holds `bytes` now (or held them already)
        Taken   // `name` holds another file, which was left alone
    };
    // Puts `bytes` under `name` in `folder` without ever replacing a file
    // there. Where the remote renames on the server, the bytes go first to
    // `scratch` (a name nobody else uses, e.g. one made of the job and the
    // photo) and are renamed only where `name` is still free, so that an
    // interrupted upload never leaves a broken file under `name` either.
    RcloneResult putNew(const QString &folder, const QString &name, const QString &scratch,
                        const QByteArray &bytes, const Facts &facts, Put *out) const;

    // A photo sent exactly once: put under `name` as putNew does, and when
    // another file took that name since it was decided, under the next free
    // one (never one of `reserved()`, the job's other names). `renamed` hears
    // each new name before it is tried, so that it can be kept where an
    // interrupted send looks for it next time. `arrivedAs` gets the name the
    // photo has on the remote.
    RcloneResult deliver(const QString &folder, const QString &name, const QString &scratch,
                         const QByteArray &bytes, const std::function<QStringList()> &reserved,
                         const std::function<void(const QString &)> &renamed, QString *arrivedAs) const;

private:
    int uploadDeadline(qint64 bytes) const;

    const RcloneDaemon &m_daemon;
    QString m_name;
    int m_deadlineMs;
    qint64 m_slowestBytesPerSecond;
};

#include "rclone/RcloneRemote.h"

#include "rclone/RcloneDaemon.h"
#include "rclone/RcloneNames.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonObject>

namespace {

bool isMissing(const QString &error)
{
    return error.contains(QLatin1String("not found"), Qt::CaseInsensitive);
}

} // namespace

RcloneResult RcloneResult::from(const RcloneAnswer &answer)
{
    switch (answer.kind) {
    case RcloneAnswer::Kind::Ok:
        return {};
    case RcloneAnswer::Kind::Failed:
        return failed(classifyRcloneError(answer.error), answer.error);
    case RcloneAnswer::Kind::Unreachable:
        break;
    }
    return failed(RcloneFailure::Transient, answer.error);
}

RcloneRemote::RcloneRemote(const RcloneDaemon &daemon, QString name, int deadlineMs,
                           qint64 slowestBytesPerSecond)
    : m_daemon(daemon), m_name(std::move(name)), m_deadlineMs(deadlineMs),
      m_slowestBytesPerSecond(qMax<qint64>(1, slowestBytesPerSecond))
{
}

int RcloneRemote::uploadDeadline(qint64 bytes) const
{
    return int(qMin<qint64>(m_deadlineMs + bytes * 1000 / m_slowestBytesPerSecond, 3600 * 1000));
}

RcloneResult RcloneRemote::list(const QString &folder, QList<RcloneEntry> *entries, bool foldersOnly) const
{
    entries->clear();
    QJsonObject opt;
    if (foldersOnly)
        opt.insert(u"dirsOnly", true);
    opt.insert(u"noModTime", true);
    opt.insert(u"noMimeType", true);
    const RcloneAnswer answer = m_daemon.call(
        QStringLiteral("operations/list"),
        {{QStringLiteral("fs"), fs()}, {QStringLiteral("remote"), folder}, {QStringLiteral("opt"), opt}},
        m_deadlineMs);
    if (answer.kind == RcloneAnswer::Kind::Failed && isMissing(answer.error))
        return {};
    if (!answer.ok())
        return RcloneResult::from(answer);
    for (const QJsonValue &item : answer.result.value(u"list").toArray()) {
        const QJsonObject o = item.toObject();
        entries->append(
            {o.value(u"Name").toString(), o.value(u"IsDir").toBool(), qint64(o.value(u"Size").toDouble(-1))});
    }
    return {};
}

RcloneResult RcloneRemote::makeFolder(const QString &folder) const
{
    return RcloneResult::from(
        m_daemon.call(QStringLiteral("operations/mkdir"),
                      {{QStringLiteral("fs"), fs()}, {QStringLiteral("remote"), folder}}, m_deadlineMs));
}

RcloneResult RcloneRemote::remove(const QString &path) const
{
    return RcloneResult::from(m_daemon.call(QStringLiteral("operations/deletefile"),
                                            {{QStringLiteral("fs"), fs()}, {QStringLiteral("remote"), path}},
                                            m_deadlineMs));
}

RcloneResult RcloneRemote::facts(Facts *out) const
{
    const RcloneAnswer answer =
        m_daemon.call(QStringLiteral("operations/fsinfo"), {{QStringLiteral("fs"), fs()}}, m_deadlineMs);
    if (!answer.ok())
        return RcloneResult::from(answer);
    *out = {};
    out->canMove = answer.result.value(u"Features").toObject().value(u"Move").toBool();
    const QJsonArray hashes = answer.result.value(u"Hashes").toArray();
    for (const char *type : {"md5", "sha1"}) {
        if (hashes.contains(QString::fromLatin1(type))) {
            out->hashType = QString::fromLatin1(type);
            break;
        }
    }
    return {};
}

RcloneResult RcloneRemote::holds(const QString &path, const QByteArray &bytes, const Facts &facts,
                                 Holding *out) const
{
    QJsonObject opt;
    if (!facts.hashType.isEmpty()) {
        opt.insert(u"showHash", true);
        opt.insert(u"hashTypes", QJsonArray{facts.hashType});
    }
    const RcloneAnswer answer = m_daemon.call(
        QStringLiteral("operations/stat"),
        {{QStringLiteral("fs"), fs()}, {QStringLiteral("remote"), path}, {QStringLiteral("opt"), opt}},
        m_deadlineMs);
    *out = Holding::Absent;
    if (answer.kind == RcloneAnswer::Kind::Failed && isMissing(answer.error))
        return {};
    if (!answer.ok())
        return RcloneResult::from(answer);
    const QJsonObject item = answer.result.value(u"item").toObject();
    if (item.isEmpty())
        return {};
    *out = Holding::Other;
    if (item.value(u"IsDir").toBool() || qint64(item.value(u"Size").toDouble(-1)) != bytes.size())
        return {};
    if (!facts.hashType.isEmpty()) {
        const QString theirs = item.value(u"Hashes").toObject().value(facts.hashType).toString();
        const auto algorithm = facts.hashType == u"md5" ? QCryptographicHash::Md5 : QCryptographicHash::Sha1;
        const QString ours = QString::fromLatin1(QCryptographicHash::hash(bytes, algorithm).toHex());
        // A remote may leave a hash out for a file it got some other way.
        if (!theirs.isEmpty() && theirs.compare(ours, Qt::CaseInsensitive) != 0)
            return {};
    }
    *out = Holding::Same;
    return {};
}

RcloneResult RcloneRemote::putNew(const QString &folder, const QString &name, const QString &scratch,
                                  const QByteArray &bytes, const Facts &facts, Put *out) const
{
    const QString path = RcloneNames::join(folder, name);
    Holding holding = Holding::Absent;
    if (RcloneResult r = holds(path, bytes, facts, &holding); !r.ok)
        return r;
    if (holding != Holding::Absent) {
        *out = holding == Holding::Same ? Put::Stored : Put::Taken;
        return {};
    }
    const int deadline = uploadDeadline(bytes.size());
    const QString scratchPath = RcloneNames::join(folder, scratch);
    if (!facts.canMove) {
        // Nothing to rename with: straight to the name, which was free a
        // moment ago.
        if (RcloneResult r = RcloneResult::from(m_daemon.upload(fs(), folder, name, bytes, deadline)); !r.ok)
            return r;
    } else {
        if (RcloneResult r = RcloneResult::from(m_daemon.upload(fs(), folder, scratch, bytes, deadline));
            !r.ok)
            return r;
        // rclone replaces by default; told to leave an existing file alone,
        // it leaves the scratch copy where it is instead.
        const RcloneAnswer moved = m_daemon.call(
            QStringLiteral("operations/movefile"),
            {{QStringLiteral("srcFs"), fs()},
             {QStringLiteral("srcRemote"), scratchPath},
             {QStringLiteral("dstFs"), fs()},
             {QStringLiteral("dstRemote"), path},
             {QStringLiteral("_config"), QJsonObject{{QStringLiteral("IgnoreExisting"), true}}}},
            deadline);
        if (!moved.ok())
            return RcloneResult::from(moved);
    }
    if (RcloneResult r = holds(path, bytes, facts, &holding); !r.ok)
        return r;
    if (holding == Holding::Absent)
        return RcloneResult::failed(RcloneFailure::Transient, QStringLiteral("The file did not arrive"));
    if (facts.canMove && holding == Holding::Other)
        remove(scratchPath); // another file took the name meanwhile
    *out = holding == Holding::Same ? Put::Stored : Put::Taken;
    return {};
}

RcloneResult RcloneRemote::deliver(const QString &folder, const QString &name, const QString &scratch,
                                   const QByteArray &bytes, const std::function<QStringList()> &reserved,
                                   const std::function<void(const QString &)> &renamed,
                                   QString *arrivedAs) const
{
    Facts facts;
    if (RcloneResult r = this->facts(&facts); !r.ok)
        return r;
    QString current = name;
    // Each round costs a file that appeared under the name just now; a few
    // in a row mean something else is at work.
    for (int round = 0; round < 5; ++round) {
        Put put = Put::Taken;
        if (RcloneResult r = putNew(folder, current, scratch, bytes, facts, &put); !r.ok)
            return r;
        if (put == Put::Stored) {
            *arrivedAs = current;
            return {};
        }
        QList<RcloneEntry> entries;
        if (RcloneResult r = list(folder, &entries); !r.ok)
            return r;
        QStringList taken = reserved ? reserved() : QStringList();
        for (const RcloneEntry &entry : entries)
            taken << entry.name;
        current = RcloneNames(taken).claim(name);
        if (renamed)
            renamed(current);
    }
    return RcloneResult::failed(RcloneFailure::Transient,
                                QStringLiteral("Other files keep taking the name %1").arg(name));
}

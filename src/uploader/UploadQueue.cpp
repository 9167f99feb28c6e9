#include "uploader/UploadQueue.h"

#include "core/AppState.h"
#include "platform/ShellFolders.h"
#include "webkit/ToolkitError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

constexpr quint32 ErrQueue = 0x8004D400;

const char *const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS jobs("
    " id TEXT PRIMARY KEY, service TEXT NOT NULL, token TEXT NOT NULL, secret TEXT NOT NULL,"
    " size INTEGER NOT NULL, target TEXT NOT NULL, privacy TEXT NOT NULL,"
    " state TEXT NOT NULL, reason TEXT NOT NULL DEFAULT '', created INTEGER NOT NULL,"
    " announced INTEGER NOT NULL DEFAULT 0, sealed INTEGER NOT NULL DEFAULT 1,"
    " touched INTEGER NOT NULL DEFAULT 0, keep_metadata INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE IF NOT EXISTS photos("
    " job TEXT NOT NULL, seq INTEGER NOT NULL, path TEXT NOT NULL, remarks TEXT NOT NULL,"
    " state TEXT NOT NULL, remote_id TEXT NOT NULL DEFAULT '', reason TEXT NOT NULL DEFAULT '',"
    " attempts INTEGER NOT NULL DEFAULT 0, not_before INTEGER NOT NULL DEFAULT 0,"
    " prepared TEXT NOT NULL DEFAULT '', PRIMARY KEY(job, seq))",
    // What an upload call keeps beside a photo across attempts and runs (an
    // open resumable session, when an attempt started).
    "CREATE TABLE IF NOT EXISTS notes("
    " job TEXT NOT NULL, seq INTEGER NOT NULL, note TEXT NOT NULL, PRIMARY KEY(job, seq))",
    // Every photo that arrived, kept after its job is gone, so that the same
    // content is not sent twice to one folder without the user knowing.
    "CREATE TABLE IF NOT EXISTS history("
    " digest TEXT NOT NULL, service TEXT NOT NULL, account TEXT NOT NULL, target TEXT NOT NULL,"
    " remote_id TEXT NOT NULL, path TEXT NOT NULL, sent INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS history_by_place ON history(service, account, target, digest)",
};

// A result row read column after column, in the order its SELECT names
// them, so a reader cannot fall out of step with a column list.
class Columns
{
public:
    explicit Columns(const QSqlQuery &q) : m_q(q) {}
    template<typename T> T next() { return m_q.value(m_at++).value<T>(); }
    ServiceId service() { return ServiceId::fromText(next<QString>()); }
    QByteArray latin1() { return next<QString>().toLatin1(); }

private:
    const QSqlQuery &m_q;
    int m_at = 0;
};

QueuedJob jobFrom(const QSqlQuery &q)
{
    Columns c(q);
    QueuedJob j;
    j.id = c.next<QString>();
    j.service = c.service();
    j.token = c.next<QString>();
    j.tokenSecret = c.next<QString>();
    j.uploadSize = c.next<int>();
    j.target = c.next<QString>();
    j.privacy = c.next<QString>();
    j.state = c.next<QString>();
    j.reason = c.next<QString>();
    j.created = c.next<qint64>();
    j.keepMetadata = c.next<bool>();
    j.account = c.next<QString>();
    return j;
}

QueuedPhoto photoFrom(const QSqlQuery &q)
{
    Columns c(q);
    QueuedPhoto p;
    p.job = c.next<QString>();
    p.seq = c.next<int>();
    p.path = c.next<QString>();
    p.remarks = c.next<QString>();
    p.state = c.next<QString>();
    p.remoteId = c.next<QString>();
    p.reason = c.next<QString>();
    p.attempts = c.next<int>();
    p.notBefore = c.next<qint64>();
    p.prepared = c.next<QString>();
    p.identity.path = c.next<QString>();
    // SQLite keeps signed 64-bit integers; device and inode numbers go
    // through them bit for bit.
    p.identity.device = quint64(c.next<qint64>());
    p.identity.inode = quint64(c.next<qint64>());
    p.identity.size = c.next<qint64>();
    p.identity.modifiedNs = c.next<qint64>();
    p.identity.digest = c.latin1();
    p.content = c.latin1();
    return p;
}

const QString kJobColumns = QStringLiteral(
    "id, service, token, secret, size, target, privacy, state, reason, created, keep_metadata, account");
const QString kPhotoColumns = QStringLiteral("job, seq, path, remarks, state, remote_id, reason, attempts, "
                                             "not_before, prepared, resolved, device, inode, bytes, "
                                             "modified, digest, content");

} // namespace

QList<UploadItem> uncheckedItems(const QStringList &paths, const QStringList &remarks)
{
    QList<UploadItem> items;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        UploadItem item;
        item.path = paths.at(i);
        item.remarks = remarks.value(i);
        items << item;
    }
    return items;
}

UploadQueue::UploadQueue(const QString &path)
    : m_path(path), m_connection(QStringLiteral("uploads-") + QUuid::createUuid().toString(QUuid::Id128))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Created owner-only before SQLite sees it: SQLite gives its log and journal the
    // database file's permissions, so nothing of the queue is ever readable
    // by others, not even for a moment.
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        file.close();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    if (!db.open()) {
        m_error = db.lastError().text();
        return;
    }
    // A write-ahead log with a full sync: a commit is on the disk when it
    // returns, which is what "the job is stored" promises, and a reader (the
    // tray's look at the queue, on the window's thread) never waits for the
    // uploader's commits.
    m_open =
        exec(QStringLiteral("PRAGMA journal_mode=WAL")) && exec(QStringLiteral("PRAGMA synchronous=FULL"));
    for (const char *sql : kSchema)
        m_open = m_open && exec(QLatin1String(sql));
    // A queue kept by an earlier version lacks the later columns.
    const struct
    {
        const char *table;
        const char *column;
        const char *definition;
    } added[] = {{"photos", "prepared", "TEXT NOT NULL DEFAULT ''"},
                 {"jobs", "sealed", "INTEGER NOT NULL DEFAULT 1"},
                 {"jobs", "touched", "INTEGER NOT NULL DEFAULT 0"},
                 // What the file was when queued; a photo without it (queued
                 // by an earlier version) is only checked to be a plain file.
                 {"photos", "resolved", "TEXT NOT NULL DEFAULT ''"},
                 {"photos", "device", "INTEGER NOT NULL DEFAULT 0"},
                 {"photos", "inode", "INTEGER NOT NULL DEFAULT 0"},
                 {"photos", "bytes", "INTEGER NOT NULL DEFAULT -1"},
                 {"photos", "modified", "INTEGER NOT NULL DEFAULT 0"},
                 {"photos", "digest", "TEXT NOT NULL DEFAULT ''"},
                 {"jobs", "keep_metadata", "INTEGER NOT NULL DEFAULT 0"},
                 {"jobs", "account", "TEXT NOT NULL DEFAULT ''"},
                 {"photos", "content", "TEXT NOT NULL DEFAULT ''"}};
    // Under the write lock: the program, the command line and the uploader
    // open a new queue at the same moment, and only one may add a column.
    m_open = m_open && transaction([&] {
                 for (const auto &a : added) {
                     if (!hasColumn(QLatin1String(a.table), QLatin1String(a.column)) &&
                         !exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                                   .arg(QLatin1String(a.table), QLatin1String(a.column),
                                        QLatin1String(a.definition))))
                         return false;
                 }
                 return true;
             });
}

bool UploadQueue::hasColumn(const QString &table, const QString &column) const
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
        return false;
    while (q.next()) {
        if (q.value(1).toString() == column)
            return true;
    }
    return false;
}

UploadQueue::~UploadQueue()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

QString UploadQueue::pathIn(const QString &dataFolder)
{
    return dataFolder + QStringLiteral("Uploads.db");
}

QString UploadQueue::defaultPath()
{
    AppState folders;
    folders.setFolders(platform::shellFolder(platform::ShellFolder::CommonAppData));
    return pathIn(folders.DataFolder);
}

QString UploadQueue::preparedFolderOf(const QString &queuePath)
{
    return QFileInfo(queuePath).absoluteDir().filePath(QStringLiteral("Prepared"));
}

bool UploadQueue::exec(const QString &sql, const QVariantList &values) const
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.prepare(sql)) {
        m_error = q.lastError().text();
        return false;
    }
    for (const QVariant &v : values) {
        // A null QString would be bound as NULL; the columns hold texts.
        if (v.typeId() == QMetaType::QString && v.toString().isNull())
            q.addBindValue(QLatin1String(""));
        else
            q.addBindValue(v);
    }
    if (!q.exec()) {
        m_error = q.lastError().text();
        return false;
    }
    return true;
}

bool UploadQueue::transaction(const std::function<bool()> &work)
{
    // BEGIN IMMEDIATE takes the write lock up front, so two programs adding
    // and updating at once wait for each other instead of failing half-way.
    if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    if (!work()) {
        exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    if (!exec(QStringLiteral("COMMIT"))) {
        exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}

QString UploadQueue::addJob(const UploadJobSpec &spec)
{
    if (!m_open)
        throw ToolkitError(ErrQueue, QStringLiteral("UploadQueue.addJob"),
                           QStringLiteral("The upload queue cannot be opened: ") + m_error);
    const QString id = QUuid::createUuid().toString(QUuid::Id128);
    const bool stored = transaction([&] {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (!exec(QStringLiteral("INSERT INTO jobs(id, service, token, secret, size, target, privacy, state, "
                                 "created, sealed, touched, keep_metadata, account) "
                                 "VALUES(?, ?, ?, ?, ?, ?, ?, 'open', ?, ?, ?, ?, ?)"),
                  {id, spec.service.text(), spec.token, spec.tokenSecret, spec.uploadSize, spec.target,
                   spec.privacy, now, spec.open ? 0 : 1, now, spec.keepMetadata ? 1 : 0, spec.account}))
            return false;
        if (!insertPhotos(id, 0, spec.items))
            return false;
        return exec(QStringLiteral(
                        "UPDATE jobs SET token = ?, secret = ?, state = 'open', reason = '', announced = 0 "
                        "WHERE service = ? AND state = 'stopped'"),
                    {spec.token, spec.tokenSecret, spec.service.text()});
    });
    if (!stored)
        throw ToolkitError(ErrQueue, QStringLiteral("UploadQueue.addJob"),
                           QStringLiteral("The upload cannot be queued: ") + m_error);
    return id;
}

QList<QueuedJob> UploadQueue::jobs(const QString &state) const
{
    QList<QueuedJob> out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT ") + kJobColumns +
              QStringLiteral(" FROM jobs WHERE state = ? ORDER BY created"));
    q.addBindValue(state);
    if (q.exec()) {
        while (q.next())
            out.append(jobFrom(q));
    }
    return out;
}

QList<QueuedJob> UploadQueue::allJobs() const
{
    QList<QueuedJob> out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (q.exec(QStringLiteral("SELECT ") + kJobColumns +
               QStringLiteral(" FROM jobs ORDER BY created DESC"))) {
        while (q.next())
            out.append(jobFrom(q));
    }
    return out;
}

QueuedJob UploadQueue::job(const QString &id) const
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT ") + kJobColumns + QStringLiteral(" FROM jobs WHERE id = ?"));
    q.addBindValue(id);
    if (q.exec() && q.next())
        return jobFrom(q);
    return {};
}

QList<QueuedPhoto> UploadQueue::photos(const QString &job) const
{
    QList<QueuedPhoto> out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT ") + kPhotoColumns +
              QStringLiteral(" FROM photos WHERE job = ? ORDER BY seq"));
    q.addBindValue(job);
    if (q.exec()) {
        while (q.next())
            out.append(photoFrom(q));
    }
    return out;
}

QList<QueuedPhoto> UploadQueue::pendingPhotos(const QString &job) const
{
    QList<QueuedPhoto> out;
    for (const QueuedPhoto &p : photos(job)) {
        if (p.state == u"queued" || p.state == u"sending")
            out.append(p);
    }
    return out;
}

bool UploadQueue::hasUnfinishedJobs() const
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    return q.exec(QStringLiteral("SELECT 1 FROM jobs WHERE state = 'open' LIMIT 1")) && q.next();
}

bool UploadQueue::markSending(const QString &job, int seq)
{
    return transaction([&] {
        return exec(QStringLiteral("UPDATE photos SET state = 'sending' WHERE job = ? AND seq = ?"),
                    {job, seq});
    });
}

bool UploadQueue::markSent(const QString &job, int seq, const QString &remoteId)
{
    return transaction([&] {
        return exec(QStringLiteral("UPDATE photos SET state = 'sent', remote_id = ?, reason = '' WHERE job = "
                                   "? AND seq = ?"),
                    {remoteId, job, seq}) &&
               exec(QStringLiteral(
                        "INSERT INTO history(digest, service, account, target, remote_id, path, sent) "
                        "SELECT p.content, j.service, j.account, j.target, ?, p.path, ? FROM photos p "
                        "JOIN jobs j ON j.id = p.job WHERE p.job = ? AND p.seq = ? AND p.content <> ''"),
                    {remoteId, QDateTime::currentMSecsSinceEpoch(), job, seq});
    });
}

bool UploadQueue::markFailed(const QString &job, int seq, const QString &reason)
{
    return transaction([&] {
        return exec(
            QStringLiteral("UPDATE photos SET state = 'failed', reason = ? WHERE job = ? AND seq = ?"),
            {reason, job, seq});
    });
}

bool UploadQueue::markRetry(const QString &job, int seq, qint64 notBefore, const QString &reason)
{
    return transaction([&] {
        return exec(QStringLiteral("UPDATE photos SET state = 'queued', not_before = ?, reason = ?, "
                                   "attempts = attempts + 1 WHERE job = ? AND seq = ?"),
                    {notBefore, reason, job, seq});
    });
}

bool UploadQueue::stopJob(const QString &job, const QString &reason)
{
    return transaction([&] {
        return exec(QStringLiteral(
                        "UPDATE jobs SET state = 'stopped', reason = ?, announced = 0 WHERE id = ?"),
                    {reason, job}) &&
               exec(QStringLiteral("UPDATE photos SET state = 'queued' WHERE job = ? AND state = 'sending'"),
                    {job});
    });
}

bool UploadQueue::insertPhotos(const QString &job, int first, const QList<UploadItem> &items)
{
    for (qsizetype i = 0; i < items.size(); ++i) {
        const UploadItem &item = items.at(i);
        const platform::FileIdentity &id = item.identity;
        if (!exec(QStringLiteral("INSERT INTO photos(job, seq, path, remarks, prepared, state, reason, "
                                 "resolved, device, inode, bytes, modified, digest, content) "
                                 "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                  {job, first + int(i), item.path, item.remarks, item.prepared,
                   item.problem.isEmpty() ? QStringLiteral("queued") : QStringLiteral("failed"), item.problem,
                   id.path, qint64(id.device), qint64(id.inode), id.size, id.modifiedNs,
                   QString::fromLatin1(id.digest), QString::fromLatin1(item.content)}))
            return false;
        if (!item.name.isEmpty() &&
            !exec(QStringLiteral("INSERT OR REPLACE INTO notes(job, seq, note) VALUES(?, ?, ?)"),
                  {job, first + int(i), item.name}))
            return false;
    }
    return true;
}

void UploadQueue::appendPhotos(const QString &job, const QList<UploadItem> &items)
{
    const bool stored =
        m_open && transaction([&] {
            QSqlQuery q(QSqlDatabase::database(m_connection, false));
            q.prepare(QStringLiteral("SELECT COALESCE(MAX(seq) + 1, 0) FROM photos WHERE job = ?"));
            q.addBindValue(job);
            if (!q.exec() || !q.next()) {
                m_error = q.lastError().text();
                return false;
            }
            if (!insertPhotos(job, q.value(0).toInt(), items))
                return false;
            return exec(QStringLiteral("UPDATE jobs SET touched = ? WHERE id = ?"),
                        {QDateTime::currentMSecsSinceEpoch(), job});
        });
    if (!stored)
        throw ToolkitError(ErrQueue, QStringLiteral("UploadQueue.appendPhotos"),
                           QStringLiteral("The upload cannot be queued: ") + m_error);
}

void UploadQueue::sealJob(const QString &job)
{
    if (!m_open ||
        !transaction([&] { return exec(QStringLiteral("UPDATE jobs SET sealed = 1 WHERE id = ?"), {job}); }))
        throw ToolkitError(ErrQueue, QStringLiteral("UploadQueue.sealJob"),
                           QStringLiteral("The upload cannot be finished: ") + m_error);
}

bool UploadQueue::endJobIfDone(const QString &job)
{
    constexpr qint64 kUnsealedGiveUpMs = 5 * 60 * 1000;
    return transaction([&] {
        // An ended job needs its token no more: it is not kept a day longer
        // than the upload.
        return exec(
            QStringLiteral(
                "UPDATE jobs SET state = 'ended', token = '', secret = '' WHERE id = ? AND state = 'open' "
                "AND (sealed = 1 OR touched < ?) AND NOT EXISTS "
                "(SELECT 1 FROM photos WHERE job = ? AND state IN ('queued', 'sending'))"),
            {job, QDateTime::currentMSecsSinceEpoch() - kUnsealedGiveUpMs, job});
    });
}

namespace {

SentRecord recordFrom(const QSqlQuery &q)
{
    Columns c(q);
    // Braces read their values in order: the columns come as listed below.
    return {.digest = c.next<QString>(),
            .service = c.service(),
            .account = c.next<QString>(),
            .target = c.next<QString>(),
            .remoteId = c.next<QString>(),
            .path = c.next<QString>(),
            .sent = c.next<qint64>()};
}

const QString kHistoryColumns = QStringLiteral("digest, service, account, target, remote_id, path, sent");

} // namespace

QList<SentRecord> UploadQueue::history(const ServiceId &service, qint64 since) const
{
    QList<SentRecord> out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT ") + kHistoryColumns +
              QStringLiteral(" FROM history WHERE (? = '' OR service = ?) AND sent >= ? "
                             "ORDER BY sent DESC, rowid DESC"));
    const QString any = service.isEmpty() ? QLatin1String("") : service.text();
    q.addBindValue(any);
    q.addBindValue(any);
    q.addBindValue(since);
    if (q.exec()) {
        while (q.next())
            out.append(recordFrom(q));
    }
    return out;
}

QHash<QString, SentRecord> UploadQueue::sentBefore(const ServiceId &service, const QString &account,
                                                   const QString &target, const QStringList &digests) const
{
    QHash<QString, SentRecord> out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT ") + kHistoryColumns +
              QStringLiteral(" FROM history WHERE service = ? AND account = ? AND target = ? AND digest = ? "
                             "ORDER BY sent DESC LIMIT 1"));
    for (const QString &digest : digests) {
        if (digest.isEmpty() || out.contains(digest))
            continue;
        for (const QString &value : {service.text(), account, target, digest})
            q.addBindValue(value.isNull() ? QLatin1String("") : value);
        if (q.exec() && q.next())
            out.insert(digest, recordFrom(q));
    }
    return out;
}

bool UploadQueue::clearHistory()
{
    return m_open && transaction([&] { return exec(QStringLiteral("DELETE FROM history")); });
}

QList<JobSummary> UploadQueue::summaries() const
{
    QList<JobSummary> out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT id, service, state, reason, announced FROM jobs WHERE state <> "
                               "'ended' OR announced = 0 ORDER BY created")))
        return out;
    while (q.next()) {
        JobSummary s;
        s.id = q.value(0).toString();
        s.service = ServiceId::fromText(q.value(1).toString());
        s.state = q.value(2).toString();
        s.reason = q.value(3).toString();
        s.announced = q.value(4).toBool();
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (const QueuedPhoto &p : photos(s.id)) {
            ++s.total;
            if (p.state == u"sent") {
                ++s.sent;
            } else if (p.state == u"failed") {
                ++s.failed;
                s.failures << QFileInfo(p.path).fileName() + QStringLiteral(": ") + p.reason;
            } else if (p.state == u"sending") {
                ++s.sending;
            } else if (p.notBefore > now) {
                ++s.retrying;
                if (s.nextAttempt == 0 || p.notBefore < s.nextAttempt) {
                    s.nextAttempt = p.notBefore;
                    s.retryReason = p.reason;
                }
            }
        }
        out.append(s);
    }
    return out;
}

bool UploadQueue::markAnnounced(const QString &job)
{
    return transaction(
        [&] { return exec(QStringLiteral("UPDATE jobs SET announced = 1 WHERE id = ?"), {job}); });
}

QString UploadQueue::note(const QString &job, int seq) const
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT note FROM notes WHERE job = ? AND seq = ?"));
    q.addBindValue(job);
    q.addBindValue(seq);
    if (q.exec() && q.next())
        return q.value(0).toString();
    return {};
}

bool UploadQueue::keepNote(const QString &job, int seq, const QString &note)
{
    return transaction([&] {
        if (note.isEmpty())
            return exec(QStringLiteral("DELETE FROM notes WHERE job = ? AND seq = ?"), {job, seq});
        return exec(QStringLiteral("INSERT OR REPLACE INTO notes(job, seq, note) VALUES(?, ?, ?)"),
                    {job, seq, note});
    });
}

bool UploadQueue::renewToken(const QString &job, const QString &token)
{
    return transaction([&] {
        return exec(QStringLiteral("UPDATE jobs SET token = ? WHERE id = ?"), {token, job});
    });
}

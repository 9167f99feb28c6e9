#include "sandbox/services/GoogleUploadService.h"

#include "sandbox/SandboxStore.h"
#include "sandbox/services/Pages.h"
#include "sandbox/services/Tokens.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrl>

namespace {

using Pages::json;

constexpr qint64 kGranule = 256 * 1024;
const QString kTokens = QStringLiteral("Google");

StandinAnswer driveError(int status, const QString &reason, const QString &message)
{
    const QJsonObject error{{QStringLiteral("domain"), QStringLiteral("global")},
                            {QStringLiteral("reason"), reason},
                            {QStringLiteral("message"), message}};
    return json(status, QJsonObject{{QStringLiteral("error"),
                                     QJsonObject{{QStringLiteral("errors"), QJsonArray{error}},
                                                 {QStringLiteral("code"), status},
                                                 {QStringLiteral("message"), message}}}});
}

StandinAnswer authError()
{
    StandinAnswer a = driveError(401, QStringLiteral("authError"), QStringLiteral("Invalid Credentials"));
    a.headers.append({QByteArray("WWW-Authenticate"),
                      QByteArray("Bearer realm=\"https://www.google.com/accounts/AuthSubRequest\"")});
    return a;
}

QString folderOf(const QJsonObject &metadata)
{
    const QJsonArray parents = metadata.value(u"parents").toArray();
    return parents.isEmpty() ? QStringLiteral("root") : parents.first().toObject().value(u"id").toString();
}

} // namespace

void GoogleUploadService::install(StandinServer &server, SandboxStore &store)
{
    m_store = &store;
    server.answer("POST", "/upload/drive/v2/files", [this](const StandinRequest &r) { return insert(r); });
    server.answer("PUT", "/upload/drive/v2/files", [this](const StandinRequest &r) { return put(r); });
    server.answerPrefix("GET", "/drive/v2/files/", [this](const StandinRequest &r) { return children(r); });
}

void GoogleUploadService::cutNextChunkAt(double fraction)
{
    std::lock_guard lock(m_mutex);
    m_cutAt = fraction;
}

void GoogleUploadService::forgetSessions()
{
    std::lock_guard lock(m_mutex);
    m_sessions.clear();
}

StandinAnswer GoogleUploadService::keep(const QString &account, const QJsonObject &metadata,
                                        const QString &mimeType, const QByteArray &bytes)
{
    const QString folder = folderOf(metadata);
    if (folder != u"root") {
        bool known = false;
        for (const QJsonValue &f : m_store->state(kTokens).value(u"folders").toArray()) {
            const QJsonObject o = f.toObject();
            known =
                known || (o.value(u"id").toString() == folder && o.value(u"account").toString() == account);
        }
        if (!known)
            return driveError(404, QStringLiteral("notFound"), u"File not found: " + folder);
    }
    QString title = metadata.value(u"title").toString();
    if (title.isEmpty())
        title = QStringLiteral("Untitled");
    QString id;
    {
        std::lock_guard lock(m_mutex);
        id = QStringLiteral("0B%1%2").arg(QRandomGenerator::global()->generate64(), 0, 36).arg(m_nextId++);
    }
    const QString kept = m_store->keepFile(name(), account + u'/' + folder + u'/' + title, bytes);
    if (kept.isEmpty())
        return driveError(500, QStringLiteral("backendError"), QStringLiteral("Backend Error"));
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    const QJsonObject file{
        {QStringLiteral("kind"), QStringLiteral("drive#file")},
        {QStringLiteral("id"), id},
        {QStringLiteral("title"), title},
        {QStringLiteral("mimeType"), mimeType},
        {QStringLiteral("parents"),
         QJsonArray{QJsonObject{{QStringLiteral("kind"), QStringLiteral("drive#parentReference")},
                                {QStringLiteral("id"), folder},
                                {QStringLiteral("isRoot"), folder == u"root"}}}},
        {QStringLiteral("fileSize"), QString::number(bytes.size())},
        {QStringLiteral("md5Checksum"),
         QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex())},
        {QStringLiteral("createdDate"), now},
        {QStringLiteral("modifiedDate"), now},
        {QStringLiteral("properties"), metadata.value(u"properties").toArray()},
        {QStringLiteral("labels"), QJsonObject{{QStringLiteral("trashed"), false}}},
    };
    m_store->update(name(), [&](QJsonObject &state) {
        QJsonArray files = state.value(u"files").toArray();
        QJsonObject entry = file;
        entry.insert(QStringLiteral("account"), account);
        entry.insert(QStringLiteral("kept"), kept);
        files.append(entry);
        state.insert(QStringLiteral("files"), files);
    });
    return json(200, file);
}

StandinAnswer GoogleUploadService::insert(const StandinRequest &r)
{
    QString account;
    if (Tokens::checkToken(*m_store, kTokens, Tokens::bearerToken(r), &account) != Tokens::TokenState::Valid)
        return authError();
    const QString type = r.queryValue(QStringLiteral("uploadType"));
    if (type == u"multipart") {
        const bool related = r.header("Content-Type").trimmed().toLower().startsWith("multipart/related");
        const QList<StandinPart> parts =
            related ? r.multipart().value_or(QList<StandinPart>()) : QList<StandinPart>();
        if (parts.size() != 2)
            return driveError(400, QStringLiteral("badContent"),
                              QStringLiteral("Multipart content has too few or too many parts."));
        QJsonParseError error;
        const QJsonDocument meta = QJsonDocument::fromJson(parts.at(0).body, &error);
        if (!parts.at(0).header("Content-Type").toLower().startsWith("application/json") || !meta.isObject())
            return driveError(400, QStringLiteral("parseError"), QStringLiteral("Parse Error"));
        const QByteArray mediaType = parts.at(1).header("Content-Type");
        if (mediaType.isEmpty() || parts.at(1).body.isEmpty())
            return driveError(400, QStringLiteral("badContent"), QStringLiteral("Media type is missing."));
        return keep(account, meta.object(), QString::fromLatin1(mediaType), parts.at(1).body);
    }
    if (type == u"resumable") {
        const QJsonDocument meta = QJsonDocument::fromJson(r.body);
        if (!r.body.isEmpty() && !meta.isObject())
            return driveError(400, QStringLiteral("parseError"), QStringLiteral("Parse Error"));
        bool ok = true;
        const QByteArray length = r.header("X-Upload-Content-Length");
        const qint64 total = length.isNull() ? -1 : length.toLongLong(&ok);
        if (!ok || total == 0)
            return driveError(400, QStringLiteral("invalid"),
                              QStringLiteral("Invalid X-Upload-Content-Length"));
        Session session;
        session.account = account;
        session.metadata = meta.object();
        session.mimeType = QString::fromLatin1(r.header("X-Upload-Content-Type"));
        session.total = total;
        const QString id = QString::number(QRandomGenerator::global()->generate64(), 36) +
                           QString::number(QRandomGenerator::global()->generate64(), 36);
        {
            std::lock_guard lock(m_mutex);
            m_sessions.insert(id, session);
        }
        StandinAnswer a;
        a.status = 200;
        a.headers.append({QByteArray("Location"),
                          "http://" + r.header("Host") +
                              "/upload/drive/v2/files?uploadType=resumable&upload_id=" + id.toLatin1()});
        return a;
    }
    return driveError(400, QStringLiteral("invalid"), QStringLiteral("Invalid Upload Type"));
}

StandinAnswer GoogleUploadService::put(const StandinRequest &r)
{
    // The session's address carries the authority; a token sent along must be good.
    if (r.hasHeader("Authorization") &&
        Tokens::checkToken(*m_store, kTokens, Tokens::bearerToken(r)) != Tokens::TokenState::Valid)
        return authError();
    const QString id = r.queryValue(QStringLiteral("upload_id"));
    const QByteArray range = r.header("Content-Range").trimmed();
    static const QRegularExpression pattern(QStringLiteral(R"(^bytes (\*|(\d+)-(\d+))/(\d+|\*)$)"));
    const auto m = pattern.match(QString::fromLatin1(range));
    if (!m.hasMatch())
        return driveError(400, QStringLiteral("badRequest"), QStringLiteral("Invalid Content-Range"));

    std::unique_lock lock(m_mutex);
    const auto it = m_sessions.find(id);
    if (it == m_sessions.end())
        return driveError(404, QStringLiteral("notFound"), QStringLiteral("Upload session not found"));
    Session &s = *it;
    const qint64 total = m.captured(4) == u"*" ? s.total : m.captured(4).toLongLong();
    if (s.total < 0)
        s.total = total;
    if (total != s.total)
        return driveError(400, QStringLiteral("badRequest"),
                          QStringLiteral("Content-Range total does not match"));
    if (!s.done.isEmpty())
        return json(200, s.done);

    auto incomplete = [&s] {
        StandinAnswer a;
        a.status = 308;
        if (!s.held.isEmpty())
            a.headers.append({QByteArray("Range"), "bytes=0-" + QByteArray::number(s.held.size() - 1)});
        return a;
    };
    if (m.captured(1) == u"*")
        return incomplete();

    const qint64 first = m.captured(2).toLongLong();
    const qint64 last = m.captured(3).toLongLong();
    if (last < first || last >= s.total || r.body.size() != last - first + 1)
        return driveError(400, QStringLiteral("badRequest"),
                          QStringLiteral("Content-Range does not match the body"));
    if (first != s.held.size())
        return incomplete(); // not where the session stands: the client asks again
    if (last + 1 < s.total && r.body.size() % kGranule != 0)
        return driveError(400, QStringLiteral("badRequest"),
                          QStringLiteral("Chunk size must be a multiple of 256 KiB"));
    if (m_cutAt >= 0 && last + 1 >= qint64(s.total * m_cutAt)) {
        const qint64 cut = qMax(s.held.size(), qint64(s.total * m_cutAt) / kGranule * kGranule);
        m_cutAt = -1;
        s.held += r.body.left(cut - first);
        return driveError(503, QStringLiteral("backendError"), QStringLiteral("Backend Error"));
    }
    s.held += r.body;
    if (s.held.size() < s.total)
        return incomplete();

    const Session whole = s;
    lock.unlock();
    StandinAnswer a = keep(whole.account, whole.metadata, whole.mimeType, whole.held);
    lock.lock();
    if (a.status == 200) {
        const auto again = m_sessions.find(id);
        if (again != m_sessions.end()) {
            again->held.clear();
            again->done = QJsonDocument::fromJson(a.body).object();
        }
    }
    return a;
}

StandinAnswer GoogleUploadService::children(const StandinRequest &r)
{
    QString account;
    if (Tokens::checkToken(*m_store, kTokens, Tokens::bearerToken(r), &account) != Tokens::TokenState::Valid)
        return authError();
    static const QRegularExpression path(QStringLiteral("^/drive/v2/files/([^/]+)/children$"));
    const auto m = path.match(QString::fromUtf8(r.path));
    if (!m.hasMatch())
        return driveError(404, QStringLiteral("notFound"), QStringLiteral("Not Found"));
    const QString folder = QUrl::fromPercentEncoding(m.captured(1).toUtf8());
    // The one query the uploader asks: a private property's key and value.
    static const QRegularExpression property(QStringLiteral(
        R"(properties\s+has\s*\{\s*key\s*=\s*'([^']*)'\s+and\s+value\s*=\s*'([^']*)'\s+and\s+visibility\s*=\s*'PRIVATE'\s*\})"));
    const QString q = r.queryValue(QStringLiteral("q"));
    const auto p = property.match(q);
    if (!q.isEmpty() && !p.hasMatch())
        return driveError(400, QStringLiteral("invalid"), QStringLiteral("Invalid query"));
    QJsonArray items;
    for (const QJsonValue &v : m_store->state(name()).value(u"files").toArray()) {
        const QJsonObject f = v.toObject();
        if (f.value(u"account").toString() != account ||
            f.value(u"parents").toArray().at(0).toObject().value(u"id").toString() != folder)
            continue;
        bool match = !p.hasMatch();
        for (const QJsonValue &prop : f.value(u"properties").toArray()) {
            const QJsonObject o = prop.toObject();
            match = match || (o.value(u"key").toString() == p.captured(1) &&
                              o.value(u"value").toString() == p.captured(2) &&
                              o.value(u"visibility").toString() == u"PRIVATE");
        }
        if (match)
            items.append(QJsonObject{{QStringLiteral("kind"), QStringLiteral("drive#childReference")},
                                     {QStringLiteral("id"), f.value(u"id")}});
    }
    return json(200, QJsonObject{{QStringLiteral("kind"), QStringLiteral("drive#childList")},
                                 {QStringLiteral("items"), items}});
}

QString GoogleUploadService::pageSection(const SandboxStore &) const
{
    return {}; // the photos show in their albums or folders, on the service's part of the page
}

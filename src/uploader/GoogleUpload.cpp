#include "uploader/GoogleUpload.h"

#include "core/SettingsKeys.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QUrl>

namespace {

using Kind = UploadOutcome::Kind;
using Headers = QList<std::pair<QByteArray, QByteArray>>;

QByteArray pct(const QString &text)
{
    return QUrl::toPercentEncoding(text);
}

// The last byte the service holds, from "Range: bytes=0-n"; -1 when it holds none.
qint64 lastHeld(const QByteArray &range)
{
    const qsizetype dash = range.lastIndexOf('-');
    if (!range.trimmed().startsWith("bytes=") || dash < 0)
        return -1;
    bool ok = false;
    const qint64 last = range.mid(dash + 1).trimmed().toLongLong(&ok);
    return ok ? last : -1;
}

// A session's note: the total and a digest of the bytes it was opened for,
// and its address. Bytes that differ (the photo was edited meanwhile) must
// not be stitched onto what the session holds.
struct SessionNote
{
    qint64 total = -1;
    QByteArray digest;
    QString address;
};

SessionNote readNote(const QString &note)
{
    const QStringList parts = note.split(u' ');
    if (parts.size() != 3)
        return {};
    return {parts.at(0).toLongLong(), parts.at(1).toLatin1(), parts.at(2)};
}

QByteArray digestOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

QString fileIdOf(const UploadAnswer &answer)
{
    return QJsonDocument::fromJson(answer.body).object().value(u"id").toString();
}

} // namespace

GoogleUpload::GoogleUpload(ServiceConfig::Google config, UploadLimits limits, qint64 resumableAbove,
                           qint64 chunkBytes)
    : m_config(std::move(config)), m_limits(limits), m_resumableAbove(resumableAbove),
      m_chunkBytes(qMax<qint64>(256 * 1024, chunkBytes / (256 * 1024) * (256 * 1024)))
{
}

QString GoogleUpload::propertyValue(const QueuedPhoto &photo)
{
    return photo.job + u'.' + QString::number(photo.seq);
}

UploadAnswer GoogleUpload::call(const QueuedJob &job, const QByteArray &method, const QString &url,
                                QList<std::pair<QByteArray, QByteArray>> headers, const QByteArray &body)
{
    headers.prepend({QByteArray("Authorization"), "Bearer " + m_token.toUtf8()});
    UploadAnswer answer = exchangeUpload(method, url, headers, body, m_limits);
    if (answer.status != 401 || m_renewed || !renew(job))
        return answer;
    headers.first().second = "Bearer " + m_token.toUtf8();
    return exchangeUpload(method, url, headers, body, m_limits);
}

bool GoogleUpload::renew(const QueuedJob &job)
{
    m_renewed = true;
    UploadContext *ctx = context();
    if (!ctx) {
        m_renewalFailure = QStringLiteral("Google Drive refused the sign-in; sign in again");
        return false;
    }
    // Another photo of the job may have renewed it meanwhile.
    const QString current = ctx->token(job);
    if (!current.isEmpty() && current != m_token) {
        m_token = current;
        return true;
    }
    const QString refresh = ctx->setting(QString::fromLatin1(SettingsKey::GoogleRefreshToken));
    if (refresh.isEmpty()) {
        m_renewalFailure =
            QStringLiteral("Google Drive refused the sign-in and it cannot be renewed; sign in again");
        return false;
    }
    const QByteArray body = "refresh_token=" + pct(refresh) + "&client_id=" + pct(m_config.clientId) +
                            "&client_secret=" + pct(m_config.clientSecret) + "&grant_type=refresh_token";
    const UploadAnswer answer =
        exchangeUpload("POST", m_config.accounts + u"/o/oauth2/token",
                       {{"Content-Type", "application/x-www-form-urlencoded"}}, body, m_limits);
    const QString token = QJsonDocument::fromJson(answer.body).object().value(u"access_token").toString();
    if (answer.status != 200 || token.isEmpty()) {
        m_renewalFailure = answer.transportFailed
                               ? answer.failure
                               : QStringLiteral("Google refused to renew the sign-in; sign in again");
        return false;
    }
    m_token = token;
    ctx->keepToken(job, token);
    return true;
}

QByteArray GoogleUpload::metadata(const QueuedJob &job, const QueuedPhoto &photo,
                                  const QString &fileName) const
{
    QJsonObject meta{{QStringLiteral("title"), fileName},
                     {QStringLiteral("mimeType"), photoMimeType(fileName)}};
    if (!job.target.isEmpty())
        meta.insert(QStringLiteral("parents"), QJsonArray{QJsonObject{{QStringLiteral("id"), job.target}}});
    meta.insert(QStringLiteral("properties"),
                QJsonArray{QJsonObject{{QStringLiteral("key"), QString::fromLatin1(kPropertyKey)},
                                       {QStringLiteral("value"), propertyValue(photo)},
                                       {QStringLiteral("visibility"), QStringLiteral("PRIVATE")}}});
    return QJsonDocument(meta).toJson(QJsonDocument::Compact);
}

UploadOutcome GoogleUpload::outcomeOf(const UploadAnswer &answer) const
{
    if (answer.transportFailed)
        return {Kind::Transient, {}, answer.failure};
    const QJsonObject error = QJsonDocument::fromJson(answer.body).object().value(u"error").toObject();
    const QString message = error.value(u"message").toString();
    const QString reason = error.value(u"errors").toArray().at(0).toObject().value(u"reason").toString();
    if (answer.status == 401)
        return {Kind::JobRefused, {}, m_renewalFailure.isEmpty() ? message : m_renewalFailure};
    if (answer.status == 403) {
        if (reason == u"userRateLimitExceeded" || reason == u"rateLimitExceeded")
            return outcomeOfStatus(429, answer.header("Retry-After"), message);
        if (reason == u"insufficientPermissions" || reason == u"authError")
            return {Kind::JobRefused, {}, message};
        return {Kind::PhotoRefused, {}, message.isEmpty() ? reason : message};
    }
    return outcomeOfStatus(answer.status, answer.header("Retry-After"), message);
}

UploadOutcome GoogleUpload::send(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName,
                                 const QByteArray &bytes)
{
    m_token = context() ? context()->token(job) : job.token;
    const UploadOutcome outcome = bytes.size() > m_resumableAbove
                                      ? sendResumable(job, photo, fileName, bytes)
                                      : sendMultipart(job, photo, fileName, bytes);
    // A session is worth keeping only while the photo may still go through
    // it; its address lets anyone holding it write into the user's Drive.
    if (outcome.kind != Kind::Transient && context())
        context()->keepNote(photo, {});
    return outcome;
}

UploadOutcome GoogleUpload::sendMultipart(const QueuedJob &job, const QueuedPhoto &photo,
                                          const QString &fileName, const QByteArray &bytes)
{
    const QByteArray boundary = "flazz" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
    const QByteArray body = "--" + boundary + "\r\nContent-Type: application/json; charset=UTF-8\r\n\r\n" +
                            metadata(job, photo, fileName) + "\r\n--" + boundary +
                            "\r\nContent-Type: " + photoMimeType(fileName).toLatin1() + "\r\n\r\n" + bytes +
                            "\r\n--" + boundary + "--\r\n";
    const UploadAnswer answer =
        call(job, "POST", m_config.drive + u"/upload/drive/v2/files?uploadType=multipart",
             {{"Content-Type", "multipart/related; boundary=" + boundary}}, body);
    if (answer.status == 200 || answer.status == 201) {
        const QString id = fileIdOf(answer);
        if (id.isEmpty())
            return {Kind::Transient, {}, QStringLiteral("Google Drive gave an answer without a file id")};
        return {Kind::Sent, id};
    }
    return outcomeOf(answer);
}

UploadOutcome GoogleUpload::sessionStatus(const QueuedJob &job, const QString &session, qint64 total,
                                          qint64 *offset)
{
    const UploadAnswer answer =
        call(job, "PUT", session, {{"Content-Range", "bytes */" + QByteArray::number(total)}}, QByteArray());
    *offset = -1;
    if (answer.status == 200 || answer.status == 201)
        return {Kind::Sent, fileIdOf(answer)};
    if (answer.status == 308) {
        *offset = lastHeld(answer.header("Range")) + 1;
        return {Kind::NotFound};
    }
    if (answer.status == 404 || answer.status == 410)
        return {Kind::NotFound}; // the session is gone: offset stays -1
    return outcomeOf(answer);
}

UploadOutcome GoogleUpload::sendResumable(const QueuedJob &job, const QueuedPhoto &photo,
                                          const QString &fileName, const QByteArray &bytes)
{
    const qint64 total = bytes.size();
    UploadContext *ctx = context();
    const SessionNote kept = readNote(ctx ? ctx->note(photo) : QString());
    const QByteArray digest = digestOf(bytes);
    QString session;
    if (kept.total == total && kept.digest == digest)
        session = kept.address;
    qint64 offset = 0;
    if (!session.isEmpty()) {
        const UploadOutcome status = sessionStatus(job, session, total, &offset);
        if (status.kind == Kind::Sent) {
            ctx->keepNote(photo, {});
            return status;
        }
        if (status.kind != Kind::NotFound)
            return status;
        if (offset < 0) {
            session.clear();
            offset = 0;
        }
    }
    if (session.isEmpty()) {
        const UploadAnswer opened =
            call(job, "POST", m_config.drive + u"/upload/drive/v2/files?uploadType=resumable",
                 {{"Content-Type", "application/json; charset=UTF-8"},
                  {"X-Upload-Content-Type", photoMimeType(fileName).toLatin1()},
                  {"X-Upload-Content-Length", QByteArray::number(total)}},
                 metadata(job, photo, fileName));
        if (opened.status != 200)
            return outcomeOf(opened);
        session = QString::fromUtf8(opened.header("Location"));
        if (!QUrl(session).isValid() || session.isEmpty())
            return {Kind::Transient, {}, QStringLiteral("Google Drive opened no upload session")};
        // Kept before the first byte goes, so whatever ends this run, the
        // next one asks this session where it stands.
        if (ctx)
            ctx->keepNote(photo,
                          QString::number(total) + u' ' + QString::fromLatin1(digest) + u' ' + session);
    }

    // Each round either moves the offset on or ends; a service that keeps
    // answering without taking anything is given up on after a while.
    for (int round = 0; round < int(total / m_chunkBytes) + 16; ++round) {
        const qint64 length = qMin(m_chunkBytes, total - offset);
        const QByteArray range = "bytes " + QByteArray::number(offset) + '-' +
                                 QByteArray::number(offset + length - 1) + '/' + QByteArray::number(total);
        const UploadAnswer answer =
            call(job, "PUT", session,
                 {{"Content-Type", photoMimeType(fileName).toLatin1()}, {"Content-Range", range}},
                 bytes.mid(offset, length));
        if (answer.status == 200 || answer.status == 201) {
            if (ctx)
                ctx->keepNote(photo, {});
            const QString id = fileIdOf(answer);
            if (id.isEmpty())
                return {Kind::Transient, {}, QStringLiteral("Google Drive gave an answer without a file id")};
            return {Kind::Sent, id};
        }
        if (answer.status == 308) {
            offset = lastHeld(answer.header("Range")) + 1;
            if (offset >= total)
                return {Kind::Transient,
                        {},
                        QStringLiteral("Google Drive holds the whole photo but did not end the upload")};
            continue;
        }
        if (answer.status == 404 || answer.status == 410) {
            if (ctx)
                ctx->keepNote(photo, {});
            return {Kind::Transient, {}, QStringLiteral("The upload session ended; the photo starts over")};
        }
        return outcomeOf(answer);
    }
    return {Kind::Transient, {}, QStringLiteral("Google Drive stopped taking the photo")};
}

UploadOutcome GoogleUpload::findSent(const QueuedJob &job, const QueuedPhoto &photo)
{
    m_token = context() ? context()->token(job) : job.token;
    const SessionNote kept = readNote(context() ? context()->note(photo) : QString());
    if (UploadContext *ctx = context(); ctx && !kept.address.isEmpty()) {
        qint64 offset = -1;
        const UploadOutcome status = sessionStatus(job, kept.address, kept.total, &offset);
        if (status.kind == Kind::Sent) {
            ctx->keepNote(photo, {});
            return status;
        }
        if (status.kind != Kind::NotFound)
            return status;
        if (offset >= 0)
            return {Kind::NotFound}; // the send resumes it
        ctx->keepNote(photo, {});
    }
    const QString folder = job.target.isEmpty() ? QStringLiteral("root") : job.target;
    const QString query =
        QStringLiteral("properties has { key='%1' and value='%2' and visibility='PRIVATE' } "
                       "and trashed = false")
            .arg(QString::fromLatin1(kPropertyKey), propertyValue(photo));
    const UploadAnswer answer = call(job, "GET",
                                     m_config.drive + u"/drive/v2/files/" + QString::fromLatin1(pct(folder)) +
                                         u"/children?q=" + QString::fromLatin1(pct(query)),
                                     {}, QByteArray());
    if (answer.status != 200)
        return outcomeOf(answer);
    const QJsonArray items = QJsonDocument::fromJson(answer.body).object().value(u"items").toArray();
    if (items.isEmpty())
        return {Kind::NotFound};
    return {Kind::Sent, items.first().toObject().value(u"id").toString()};
}

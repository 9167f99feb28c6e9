#include "uploader/FacebookUpload.h"

#include <QBuffer>
#include <QDateTime>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QUrl>

namespace {

using Kind = UploadOutcome::Kind;

// Arrivals this long before an attempt's start still count: the service's
// clock is not ours.
constexpr qint64 kClockSlackSeconds = 300;

// What an attempt leaves beside its photo: when it began and the shape of
// the image it sent.
struct Attempt
{
    qint64 began = -1;
    QSize size;
};

QString noteOf(const Attempt &a)
{
    return QStringLiteral("%1 %2 %3").arg(a.began).arg(a.size.width()).arg(a.size.height());
}

Attempt readAttempt(const QString &note)
{
    const QStringList parts = note.split(u' ');
    if (parts.size() != 3)
        return {};
    return {parts.at(0).toLongLong(), QSize(parts.at(1).toInt(), parts.at(2).toInt())};
}

QSize sizeOf(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).size();
}

// The service may scale what it keeps; the shape survives within rounding.
bool sameShape(const QSize &sent, int width, int height)
{
    if (!sent.isValid() || width <= 0 || height <= 0)
        return false;
    const qint64 cross = qAbs(qint64(sent.width()) * height - qint64(sent.height()) * width);
    return cross <= qMax(sent.width(), sent.height()) + qMax(width, height);
}

qint64 graphTime(QString text)
{
    // "2012-05-01T12:00:00+0000": Qt wants the offset's colon.
    if (text.size() > 5 && (text.at(text.size() - 5) == u'+' || text.at(text.size() - 5) == u'-'))
        text.insert(text.size() - 2, u':');
    const QDateTime when = QDateTime::fromString(text, Qt::ISODate);
    return when.isValid() ? when.toSecsSinceEpoch() : -1;
}

QString pct(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QByteArray field(const QByteArray &boundary, const QByteArray &name, const QByteArray &value)
{
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value +
           "\r\n";
}

} // namespace

FacebookUpload::FacebookUpload(ServiceConfig::Facebook config, UploadLimits limits)
    : m_config(std::move(config)), m_limits(limits)
{
}

QString FacebookUpload::album(const QueuedJob &job) const
{
    return job.target.isEmpty() ? QStringLiteral("me") : job.target;
}

UploadOutcome FacebookUpload::outcomeOf(const UploadAnswer &answer)
{
    if (answer.transportFailed)
        return {Kind::Transient, {}, answer.failure};
    const QJsonObject error = QJsonDocument::fromJson(answer.body).object().value(u"error").toObject();
    if (error.isEmpty())
        return outcomeOfStatus(answer.status, answer.header("Retry-After"), {});
    const int code = error.value(u"code").toInt(-1);
    const QString message = error.value(u"message").toString();
    switch (code) {
    case 190: // the token: expired, revoked or the password changed
    case 102: // the session
    case 10:  // a permission the user did not grant
        return {Kind::JobRefused, {}, message};
    case 1:
    case 2:
    case 4:   // the application's call rate
    case 17:  // the user's call rate
    case 341: // the application's limit for now
        return {Kind::Transient, {}, message, 60};
    default:
        if (code >= 200 && code < 300)
            return {Kind::JobRefused, {}, message};
        if (answer.status >= 500)
            return outcomeOfStatus(answer.status, answer.header("Retry-After"), message);
        return {Kind::PhotoRefused, {}, message};
    }
}

// The note of an attempt stays when the photo arrived: between the answer
// and the queue's record of it the uploader may end, and a photo of the job
// that did not arrive must still see this one's claim.
UploadOutcome FacebookUpload::send(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName,
                                   const QByteArray &bytes)
{
    if (UploadContext *ctx = context())
        ctx->keepNote(photo, noteOf({QDateTime::currentSecsSinceEpoch(), sizeOf(bytes)}));

    const QByteArray boundary =
        "----flazz" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
    QByteArray body = field(boundary, "access_token", job.token.toUtf8());
    const QString caption = photo.remarks.trimmed();
    if (!caption.isEmpty())
        body += field(boundary, "message", caption.toUtf8());
    if (!job.privacy.isEmpty())
        body += field(boundary, "privacy",
                      QJsonDocument(QJsonObject{{QStringLiteral("value"), job.privacy}})
                          .toJson(QJsonDocument::Compact));
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"source\"; filename=\"" +
            quotedSafe(fileName).toUtf8() + "\"\r\nContent-Type: " + photoMimeType(fileName).toLatin1() +
            "\r\n\r\n" + bytes + "\r\n--" + boundary + "--\r\n";

    const UploadAnswer answer =
        exchangeUpload("POST", m_config.graph + u'/' + pct(album(job)) + u"/photos",
                       {{"Content-Type", "multipart/form-data; boundary=" + boundary}}, body, m_limits);
    if (answer.status == 200) {
        const QString id = QJsonDocument::fromJson(answer.body).object().value(u"id").toString();
        if (!id.isEmpty())
            return {Kind::Sent, id};
        return {Kind::Transient, {}, QStringLiteral("Facebook gave an answer without a photo id")};
    }
    return outcomeOf(answer);
}

UploadOutcome FacebookUpload::findSent(const QueuedJob &job, const QueuedPhoto &photo)
{
    UploadContext *ctx = context();
    if (!ctx)
        return {Kind::NotFound};
    const Attempt mine = readAttempt(ctx->note(photo));
    if (mine.began < 0)
        return {Kind::NotFound}; // no attempt of it ever began
    const QString caption = photo.remarks.trimmed();

    // Photos of the job that could claim the same arrival, this one among
    // them, and the arrivals already claimed.
    QSet<QString> claimed;
    qint64 since = mine.began;
    int claimants = 0;
    for (const QueuedPhoto &other : ctx->photosOf(job.id)) {
        if (other.state == u"sent") {
            claimed.insert(other.remoteId);
            continue;
        }
        if (other.state == u"failed" || other.remarks.trimmed() != caption)
            continue;
        const Attempt theirs = other.seq == photo.seq ? mine : readAttempt(ctx->note(other));
        if (theirs.began < 0 || theirs.size != mine.size)
            continue;
        ++claimants;
        since = qMin(since, theirs.began);
    }

    QString address = m_config.graph + u'/' + pct(album(job)) +
                      u"/photos?fields=id,name,width,height,created_time&limit=100";
    if (album(job) == u"me")
        address += u"&type=uploaded";
    address += u"&access_token=" + pct(job.token);
    const UploadAnswer answer = exchangeUpload("GET", address, {}, {}, m_limits);
    if (answer.status != 200)
        return outcomeOf(answer);

    QStringList found;
    for (const QJsonValue &value : QJsonDocument::fromJson(answer.body).object().value(u"data").toArray()) {
        const QJsonObject p = value.toObject();
        const QString id = p.value(u"id").toString();
        if (id.isEmpty() || claimed.contains(id) || p.value(u"name").toString().trimmed() != caption)
            continue;
        if (graphTime(p.value(u"created_time").toString()) < since - kClockSlackSeconds)
            continue;
        if (sameShape(mine.size, p.value(u"width").toInt(), p.value(u"height").toInt()))
            found << id;
    }
    if (found.size() == 1 && claimants <= 1)
        return {Kind::Sent, found.first()};
    return {Kind::NotFound};
}

#include "uploader/FlickrUpload.h"

#include "webkit/Md5.h"
#include "webkit/WebRequest.h"

#include <QRandomGenerator>
#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

struct FlickrAnswer
{
    bool ok = false;
    bool parsed = false;
    int code = 0;
    QString message;
    QString photoId;    // upload
    QStringList photos; // search
};

FlickrAnswer readAnswer(const QByteArray &body)
{
    FlickrAnswer a;
    QXmlStreamReader xml(body);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == u"rsp") {
            a.parsed = true;
            a.ok = xml.attributes().value(QLatin1String("stat")) == u"ok";
        } else if (name == u"err") {
            a.code = xml.attributes().value(QLatin1String("code")).toInt();
            a.message = xml.attributes().value(QLatin1String("msg")).toString();
        } else if (name == u"photoid") {
            a.photoId = xml.readElementText().trimmed();
        } else if (name == u"photo") {
            a.photos << xml.attributes().value(QLatin1String("id")).toString();
        }
    }
    return a;
}

QByteArray formPart(const QByteArray &boundary, const QString &name, const QByteArray &value)
{
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name.toUtf8() + "\"\r\n\r\n" +
           value + "\r\n";
}

} // namespace

FlickrUpload::FlickrUpload(ServiceConfig::Flickr config, UploadLimits limits)
    : m_config(std::move(config)), m_limits(limits)
{
}

QString FlickrUpload::machineTag(const QueuedPhoto &photo)
{
    return QStringLiteral("flazz:upload=") + photo.job + u'.' + QString::number(photo.seq);
}

QString FlickrUpload::signature(const QString &secret, QList<std::pair<QString, QString>> fields)
{
    std::sort(fields.begin(), fields.end());
    QByteArray base = secret.toUtf8();
    for (const auto &[name, value] : fields)
        base += name.toUtf8() + value.toUtf8();
    return Md5HexOfBytes(base);
}

UploadOutcome FlickrUpload::outcomeOf(int status, const QByteArray &retryAfter, const QByteArray &body,
                                      bool search) const
{
    using Kind = UploadOutcome::Kind;
    if (status != 200)
        return outcomeOfStatus(status, retryAfter, {});
    const FlickrAnswer a = readAnswer(body);
    if (!a.parsed)
        return {Kind::Transient, {}, QStringLiteral("Flickr gave an answer that could not be read")};
    if (a.ok) {
        if (search)
            return a.photos.isEmpty() ? UploadOutcome{Kind::NotFound}
                                      : UploadOutcome{Kind::Sent, a.photos.first()};
        if (a.photoId.isEmpty())
            return {Kind::Transient, {}, QStringLiteral("Flickr gave no photo id")};
        return {Kind::Sent, a.photoId};
    }
    const QString reason =
        a.message.isEmpty() ? QStringLiteral("Flickr refused the photo (%1)").arg(a.code) : a.message;
    switch (a.code) {
    case 98: // invalid auth token
    case 99: // insufficient permissions
        return {Kind::JobRefused, {}, reason};
    case 3:   // general upload failure
    case 105: // service currently unavailable
        return {Kind::Transient, {}, reason};
    default:
        return {Kind::PhotoRefused, {}, reason};
    }
}

UploadOutcome FlickrUpload::send(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName,
                                 const QByteArray &bytes)
{
    QList<std::pair<QString, QString>> fields = {
        {QStringLiteral("api_key"), m_config.apiKey},
        {QStringLiteral("auth_token"), job.token},
        {QStringLiteral("tags"), machineTag(photo)},
    };
    if (!photo.remarks.trimmed().isEmpty())
        fields.append({QStringLiteral("title"), photo.remarks.trimmed()});
    const QString sig = signature(m_config.sharedSecret, fields);
    fields.append({QStringLiteral("api_sig"), sig});

    const QByteArray boundary =
        "----flazz" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
    QByteArray body;
    for (const auto &[name, value] : fields)
        body += formPart(boundary, name, value.toUtf8());
    QString safeName = fileName;
    safeName.replace(u'"', u'_').replace(u'\r', u'_').replace(u'\n', u'_');
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"photo\"; filename=\"" +
            safeName.toUtf8() + "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes + "\r\n--" +
            boundary + "--\r\n";

    WebRequest request;
    request.setTimeoutMs(m_limits.silenceMs);
    request.setDeadlineMs(m_limits.deadlineFor(body.size()));
    request.open(QStringLiteral("POST"), m_config.upload + u"/services/upload/");
    request.setRequestHeader(QStringLiteral("Content-Type"),
                             QStringLiteral("multipart/form-data; boundary=") +
                                 QString::fromLatin1(boundary));
    try {
        request.sendBytes(body);
    } catch (const WebRequestError &e) {
        return {UploadOutcome::Kind::Transient, {}, e.description()};
    }
    return outcomeOf(request.status(), request.getResponseHeader(QStringLiteral("Retry-After")).toLatin1(),
                     request.responseBody(), false);
}

UploadOutcome FlickrUpload::findSent(const QueuedJob &job, const QueuedPhoto &photo)
{
    QList<std::pair<QString, QString>> fields = {
        {QStringLiteral("method"), QStringLiteral("flickr.photos.search")},
        {QStringLiteral("api_key"), m_config.apiKey},
        {QStringLiteral("auth_token"), job.token},
        {QStringLiteral("user_id"), QStringLiteral("me")},
        {QStringLiteral("machine_tags"), machineTag(photo)},
    };
    const QString sig = signature(m_config.sharedSecret, fields);
    fields.append({QStringLiteral("api_sig"), sig});
    QByteArray body;
    for (const auto &[name, value] : fields)
        body += (body.isEmpty() ? "" : "&") + name.toUtf8() + '=' + QUrl::toPercentEncoding(value);

    WebRequest request;
    request.setTimeoutMs(m_limits.silenceMs);
    request.setDeadlineMs(m_limits.deadlineFor(body.size()));
    request.open(QStringLiteral("POST"), m_config.rest + u"/services/rest/");
    request.setRequestHeader(QStringLiteral("Content-Type"),
                             QStringLiteral("application/x-www-form-urlencoded"));
    try {
        request.sendBytes(body);
    } catch (const WebRequestError &e) {
        return {UploadOutcome::Kind::Transient, {}, e.description()};
    }
    return outcomeOf(request.status(), request.getResponseHeader(QStringLiteral("Retry-After")).toLatin1(),
                     request.responseBody(), true);
}

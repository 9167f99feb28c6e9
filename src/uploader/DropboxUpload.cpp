#include "uploader/DropboxUpload.h"

#include "webkit/WebRequest.h"
#include "webkit/hs1.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QUrl>

namespace {

QByteArray pct(const QByteArray &text)
{
    return QUrl::toPercentEncoding(QString::fromUtf8(text));
}

QByteArray encodedPath(const QString &target, const QString &fileName)
{
    QByteArray path;
    const QString full = target + u'/' + fileName;
    for (const QString &part : full.split(u'/', Qt::SkipEmptyParts))
        path += '/' + QUrl::toPercentEncoding(part);
    return path;
}

} // namespace

DropboxUpload::DropboxUpload(ServiceConfig::Dropbox config, UploadLimits limits)
    : m_config(std::move(config)), m_limits(limits)
{
}

QByteArray DropboxUpload::signedQuery(const ServiceConfig::Dropbox &config, const QString &token,
                                      const QString &tokenSecret, const QByteArray &url,
                                      const QByteArray &nonce, const QByteArray &timestamp)
{
    const QByteArray key = pct(config.consumerKey.toUtf8());
    const QByteArray tok = pct(token.toUtf8());
    // Sorted by name, as the signature base wants them.
    const QByteArray params = "oauth_consumer_key=" + key + "&oauth_nonce=" + nonce +
                              "&oauth_signature_method=HMAC-SHA1&oauth_timestamp=" + timestamp +
                              "&oauth_token=" + tok + "&oauth_version=1.0&overwrite=false";
    const QByteArray base = "PUT&" + pct(url) + '&' + pct(params);
    hs1 mac;
    mac.InitHmac(pct(config.consumerSecret.toUtf8()) + '&' + pct(tokenSecret.toUtf8()));
    const QByteArray signature = mac.HmacSha1(base).toBase64();
    return "oauth_consumer_key=" + key + "&oauth_nonce=" + nonce + "&oauth_token=" + tok +
           "&oauth_timestamp=" + timestamp +
           "&oauth_signature_method=HMAC-SHA1&oauth_version=1.0&overwrite=false" +
           "&oauth_signature=" + pct(signature);
}

UploadOutcome DropboxUpload::send(const QueuedJob &job, const QueuedPhoto &, const QString &fileName,
                                  const QByteArray &bytes)
{
    const QByteArray url =
        m_config.apiContent.toUtf8() + "/1/files_put/sandbox" + encodedPath(job.target, fileName);
    const QByteArray nonce = QByteArray::number(QRandomGenerator::global()->bounded(123400, 10000000));
    const QByteArray timestamp = QByteArray::number(QDateTime::currentSecsSinceEpoch());
    const QByteArray query = signedQuery(m_config, job.token, job.tokenSecret, url, nonce, timestamp);

    WebRequest request;
    request.setTimeoutMs(m_limits.silenceMs);
    request.setDeadlineMs(m_limits.deadlineFor(bytes.size()));
    request.open(QStringLiteral("PUT"), QString::fromUtf8(url + '?' + query));
    request.setRequestHeader(QStringLiteral("Content-Type"), QStringLiteral("application/octet-stream"));
    try {
        request.sendBytes(bytes);
    } catch (const WebRequestError &e) {
        return {UploadOutcome::Kind::Transient, {}, e.description()};
    }

    const QJsonObject answer = QJsonDocument::fromJson(request.responseBody()).object();
    const int status = request.status();
    if (status == 200) {
        const QString path = answer.value(u"path").toString();
        if (path.isEmpty())
            return {
                UploadOutcome::Kind::Transient, {}, QStringLiteral("Dropbox gave an answer without a path")};
        return {UploadOutcome::Kind::Sent, path, {}};
    }
    UploadOutcome o =
        outcomeOfStatus(status, request.getResponseHeader(QStringLiteral("Retry-After")).toLatin1(),
                        answer.value(u"error").toString());
    // A refused OAuth request (bad signature, unknown consumer) is the
    // credentials' fault as much as a refused token is: no photo can go.
    if (status == 403)
        o.kind = UploadOutcome::Kind::JobRefused;
    return o;
}

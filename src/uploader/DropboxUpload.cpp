#include "uploader/DropboxUpload.h"

#include "webkit/OAuth1Signature.h"
#include "webkit/WebRequest.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace {

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

UploadOutcome DropboxUpload::send(const QueuedJob &job, const QueuedPhoto &, const QString &fileName,
                                  const QByteArray &bytes)
{
    const QString url = m_config.apiContent + u"/1/files_put/sandbox" +
                        QString::fromLatin1(encodedPath(job.target, fileName));
    OAuth1Signature signature(QStringLiteral("PUT"), url, m_config.consumerSecret, job.tokenSecret);
    // overwrite=false: a taken name gets the service's renamed copy.
    const QByteArray query = signature.signedQuery(
        OAuth1Signature::protocolParameters(m_config.consumerKey, job.token) +
        QList<std::pair<QString, QString>>{{QStringLiteral("overwrite"), QStringLiteral("false")}});

    WebRequest request;
    request.setTimeoutMs(m_limits.silenceMs);
    request.setDeadlineMs(m_limits.deadlineFor(bytes.size()));
    request.open(QStringLiteral("PUT"), url + u'?' + QString::fromLatin1(query));
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

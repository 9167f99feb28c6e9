#include "uploader/SkyDriveUpload.h"

#include "core/SettingsKeys.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

namespace {

using Kind = UploadOutcome::Kind;

QString pct(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// A folder id, or a path such as "me/skydrive" whose slashes stay.
QString folderPath(const QString &folder)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(folder, "/"));
}

QString errorCode(const UploadAnswer &answer)
{
    return QJsonDocument::fromJson(answer.body).object().value(u"error").toObject().value(u"code").toString();
}

} // namespace

SkyDriveUpload::SkyDriveUpload(ServiceConfig::Live config, UploadLimits limits)
    : m_config(std::move(config)), m_limits(limits),
      m_renewal(
          Service::SkyDrive, SettingsKey::SkyDriveRefreshToken,
          [config = m_config](WebRequest &request, const QString &refresh) {
              return renewLiveToken(request, config, refresh);
          },
          limits)
{
}

UploadAnswer SkyDriveUpload::call(const QueuedJob &job, const QByteArray &method, const QString &address,
                                  const QByteArray &body)
{
    // The token goes last in the query, as the service's examples put it.
    const QChar glue = address.contains(u'?') ? u'&' : u'?';
    const QList<std::pair<QByteArray, QByteArray>> headers =
        method == "PUT"
            ? QList<std::pair<QByteArray, QByteArray>>{{"Content-Type", "application/octet-stream"}}
            : QList<std::pair<QByteArray, QByteArray>>{};
    UploadAnswer answer =
        exchangeUpload(method, address + glue + u"access_token=" + pct(m_token), headers, body, m_limits);
    if (answer.status != 401 || errorCode(answer) != u"request_token_expired" ||
        !m_renewal.renew(context(), job, m_token))
        return answer;
    return exchangeUpload(method, address + glue + u"access_token=" + pct(m_token), headers, body, m_limits);
}

UploadOutcome SkyDriveUpload::outcomeOf(const UploadAnswer &answer) const
{
    if (answer.transportFailed)
        return {Kind::Transient, {}, answer.failure};
    const QJsonObject error = QJsonDocument::fromJson(answer.body).object().value(u"error").toObject();
    const QString code = error.value(u"code").toString();
    const QString message = error.value(u"message").toString();
    if (answer.status == 401) {
        const QString why = code == u"request_token_expired" && !m_renewal.failure().isEmpty()
                                ? m_renewal.failure()
                                : message;
        return {Kind::JobRefused, {}, why};
    }
    if (answer.status == 403 && code == u"request_token_missing_scopes")
        return {Kind::JobRefused, {}, message};
    return outcomeOfStatus(answer.status, answer.header("Retry-After"), message);
}

UploadOutcome SkyDriveUpload::send(const QueuedJob &job, const QueuedPhoto &, const QString &fileName,
                                   const QByteArray &bytes)
{
    m_token = context() ? context()->token(job) : job.token;
    const QString folder = job.target.isEmpty() ? QStringLiteral("me/skydrive") : job.target;
    const QString put = m_config.apis + u"/v5.0/" + folderPath(folder) + u"/files/" + pct(fileName);

    UploadAnswer answer = call(job, "PUT", put + u"?overwrite=false", bytes);
    if (answer.status == 409) {
        const UploadOutcome found = lookUp(job, fileName, bytes.size());
        if (found.kind != Kind::NotFound)
            return found;
        answer = call(job, "PUT", put + u"?overwrite=ChooseNewName", bytes);
    }
    if (answer.status == 200 || answer.status == 201) {
        const QString id = QJsonDocument::fromJson(answer.body).object().value(u"id").toString();
        if (id.isEmpty())
            return {Kind::Transient, {}, QStringLiteral("SkyDrive gave an answer without a file id")};
        return {Kind::Sent, id};
    }
    return outcomeOf(answer);
}

UploadOutcome SkyDriveUpload::lookUp(const QueuedJob &job, const QString &fileName, qint64 size)
{
    const QString folder = job.target.isEmpty() ? QStringLiteral("me/skydrive") : job.target;
    const UploadAnswer answer =
        call(job, "GET", m_config.apis + u"/v5.0/" + folderPath(folder) + u"/files", {});
    if (answer.status != 200)
        return outcomeOf(answer);
    const QFileInfo info(fileName);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    const QRegularExpression renamed(u'^' + QRegularExpression::escape(info.completeBaseName()) +
                                         uR"( ?\(?\d+\)?)" + QRegularExpression::escape(suffix) + u'$',
                                     QRegularExpression::CaseInsensitiveOption);
    for (const QJsonValue &value : QJsonDocument::fromJson(answer.body).object().value(u"data").toArray()) {
        const QJsonObject file = value.toObject();
        const QString name = file.value(u"name").toString();
        const bool ours = name.compare(fileName, Qt::CaseInsensitive) == 0 || renamed.match(name).hasMatch();
        if (ours && qint64(file.value(u"size").toDouble(-1)) == size)
            return {Kind::Sent, file.value(u"id").toString()};
    }
    return {Kind::NotFound};
}

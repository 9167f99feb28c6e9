#include "uploader/LiveUpload.h"

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

LiveUpload::LiveUpload(ServiceConfig::Live config, UploadLimits limits)
    : m_config(std::move(config)), m_limits(limits)
{
}

UploadAnswer LiveUpload::call(const QueuedJob &job, const QByteArray &method, const QString &address,
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
    if (answer.status != 401 || errorCode(answer) != u"request_token_expired" || m_renewed || !renew(job))
        return answer;
    return exchangeUpload(method, address + glue + u"access_token=" + pct(m_token), headers, body, m_limits);
}

bool LiveUpload::renew(const QueuedJob &job)
{
    m_renewed = true;
    UploadContext *ctx = context();
    if (!ctx)
        return false;
    const QString current = ctx->token(job);
    if (!current.isEmpty() && current != m_token) {
        m_token = current;
        return true;
    }
    const QString refresh = ctx->setting(QString::fromLatin1(SettingsKey::SkydriveRefreshToken));
    if (refresh.isEmpty()) {
        m_renewalFailure =
            QStringLiteral("The SkyDrive sign-in has expired and cannot be renewed; sign in again");
        return false;
    }
    const QString address = m_config.login + u"/oauth20_token.srf?client_id=" + pct(m_config.clientId) +
                            u"&redirect_uri=" + m_config.login + u"/oauth20_desktop.srf" +
                            u"&grant_type=refresh_token&refresh_token=" + pct(refresh);
    const UploadAnswer answer =
        exchangeUpload("GET", address, {{"Content-Type", "application/x-www-form-urlencoded"}}, {}, m_limits);
    const QString token = QJsonDocument::fromJson(answer.body).object().value(u"access_token").toString();
    if (answer.status != 200 || token.isEmpty()) {
        m_renewalFailure = answer.transportFailed
                               ? answer.failure
                               : QStringLiteral("SkyDrive refused to renew the sign-in; sign in again");
        return false;
    }
    m_token = token;
    ctx->keepToken(job, token);
    return true;
}

UploadOutcome LiveUpload::outcomeOf(const UploadAnswer &answer) const
{
    if (answer.transportFailed)
        return {Kind::Transient, {}, answer.failure};
    const QJsonObject error = QJsonDocument::fromJson(answer.body).object().value(u"error").toObject();
    const QString code = error.value(u"code").toString();
    const QString message = error.value(u"message").toString();
    if (answer.status == 401) {
        const QString why =
            code == u"request_token_expired" && !m_renewalFailure.isEmpty() ? m_renewalFailure : message;
        return {Kind::JobRefused, {}, why};
    }
    if (answer.status == 403 && code == u"request_token_missing_scopes")
        return {Kind::JobRefused, {}, message};
    return outcomeOfStatus(answer.status, answer.header("Retry-After"), message);
}

UploadOutcome LiveUpload::send(const QueuedJob &job, const QueuedPhoto &, const QString &fileName,
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

UploadOutcome LiveUpload::lookUp(const QueuedJob &job, const QString &fileName, qint64 size)
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

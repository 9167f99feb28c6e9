#include "rclone/RcloneDaemon.h"

#include "rclone/RcloneText.h"
#include "webkit/WebRequest.h"

#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace {

// rclone's answers are small JSON documents; a listing of a very large
// folder is the largest.
constexpr qint64 kMaxAnswerBytes = 32 * 1024 * 1024;

QByteArray randomHex(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(raw.data()), bytes / 4);
    return raw.toHex();
}

QString quotedName(const QString &fileName)
{
    QString safe;
    for (const QChar c : fileName)
        safe += (c.unicode() < 0x20 || c.unicode() > 0x7e || c == u'"' || c == u'\\') ? u'_' : c;
    return safe;
}

} // namespace

RcloneDaemon::RcloneDaemon(RcloneSetup setup) : m_setup(std::move(setup)) {}

RcloneDaemon::~RcloneDaemon()
{
    stop();
}

bool RcloneDaemon::running() const
{
    QMutexLocker lock(&m_mutex);
    return m_child.running() && !m_base.isEmpty();
}

bool RcloneDaemon::start(int deadlineMs)
{
    if (running())
        return true;
    stop();
    const QByteArray user = "flazz-" + randomHex(4);
    const QByteArray password = randomHex(16);
    QProcessEnvironment env = m_setup.environment();
    env.insert(QStringLiteral("RCLONE_RC_USER"), QString::fromLatin1(user));
    env.insert(QStringLiteral("RCLONE_RC_PASS"), QString::fromLatin1(password));
    static const QRegularExpression serving(
        QStringLiteral(R"(Serving remote control on (http://127\.0\.0\.1:\d+)/)"));
    // --ask-password=false: an encrypted configuration without its password
    // in the environment is a clear failure, not a prompt nobody sees.
    const QString base =
        m_child.start(m_setup,
                      {QStringLiteral("rcd"), QStringLiteral("--rc-addr"), QStringLiteral("127.0.0.1:0"),
                       QStringLiteral("--ask-password=false")},
                      env, serving, deadlineMs);
    m_failure = m_child.failure();
    if (base.isEmpty())
        return false;
    QMutexLocker lock(&m_mutex);
    m_base = base;
    m_authorization = "Basic " + QByteArray(user + ':' + password).toBase64();
    return true;
}

void RcloneDaemon::stop()
{
    if (running())
        call(QStringLiteral("core/quit"), {}, 2000);
    QMutexLocker lock(&m_mutex);
    m_base.clear();
    m_authorization.clear();
    lock.unlock();
    m_child.stop();
}

RcloneAnswer RcloneDaemon::call(const QString &method, const QJsonObject &params, int deadlineMs) const
{
    return post(method, "application/json", QJsonDocument(params).toJson(QJsonDocument::Compact), deadlineMs);
}

RcloneAnswer RcloneDaemon::upload(const QString &fs, const QString &folder, const QString &fileName,
                                  const QByteArray &bytes, int deadlineMs) const
{
    const QByteArray boundary = "flazz-" + randomHex(12);
    QByteArray body;
    body.reserve(bytes.size() + 512);
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"file0\"; filename=\"" +
            quotedName(fileName).toUtf8() + "\"; filename*=UTF-8''" + QUrl::toPercentEncoding(fileName) +
            "\r\nContent-Type: application/octet-stream\r\n\r\n";
    body += bytes;
    body += "\r\n--" + boundary + "--\r\n";
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("fs"), QString::fromLatin1(QUrl::toPercentEncoding(fs)));
    query.addQueryItem(QStringLiteral("remote"), QString::fromLatin1(QUrl::toPercentEncoding(folder)));
    return post(u"operations/uploadfile?" + query.toString(QUrl::FullyEncoded),
                "multipart/form-data; boundary=" + boundary, body, deadlineMs);
}

RcloneAnswer RcloneDaemon::post(const QString &path, const QByteArray &contentType, const QByteArray &body,
                                int deadlineMs) const
{
    QString base;
    QByteArray authorization;
    {
        QMutexLocker lock(&m_mutex);
        base = m_base;
        authorization = m_authorization;
    }
    RcloneAnswer answer;
    if (base.isEmpty()) {
        answer.error = QStringLiteral("rclone is not running");
        return answer;
    }
    WebRequest request;
    // rclone answers once the work is done: the whole call is one silence.
    request.setTimeoutMs(deadlineMs);
    request.setDeadlineMs(deadlineMs);
    request.setMaxAnswerBytes(kMaxAnswerBytes);
    try {
        request.open(QStringLiteral("POST"), base + u'/' + path);
        request.setRequestHeader(QStringLiteral("Authorization"), QString::fromLatin1(authorization));
        request.setRequestHeader(QStringLiteral("Content-Type"), QString::fromLatin1(contentType));
        request.sendBytes(body);
    } catch (const WebRequestError &e) {
        answer.error = e.kind() == WebRequestError::Kind::Timeout
                           ? QStringLiteral("rclone gave no answer within %1 seconds").arg(deadlineMs / 1000)
                           : QStringLiteral("rclone could not be reached");
        return answer;
    }
    const QJsonObject object = QJsonDocument::fromJson(request.responseBody()).object();
    if (request.status() == 200) {
        answer.kind = RcloneAnswer::Kind::Ok;
        answer.result = object;
        return answer;
    }
    // Only the message: the answer also echoes the call's input.
    const QString error = object.value(u"error").toString();
    if (error.isEmpty()) {
        // Not an answer about the remote: our own daemon refused or broke.
        answer.error = QStringLiteral("rclone's remote control answered %1").arg(request.status());
        return answer;
    }
    answer.kind = RcloneAnswer::Kind::Failed;
    answer.error = redactRcloneText(error);
    return answer;
}

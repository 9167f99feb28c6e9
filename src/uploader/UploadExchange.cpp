#include "uploader/UploadExchange.h"

#include "webkit/HttpExchange.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

namespace {

// Upload answers are small JSON documents; anything far larger is not one.
constexpr qint64 kAnswerCap = 4 * 1024 * 1024;

} // namespace

QByteArray UploadAnswer::header(const QByteArray &name) const
{
    for (const auto &[n, v] : headers) {
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    }
    return {};
}

// The program's own HTTP exchange rather than Qt's: it bounds the answer's
// head and refuses a malformed chunk size, where Qt's reader keeps a header
// of any size and takes a bad chunk for the end of the body.
UploadAnswer exchangeUpload(const QByteArray &method, const QString &url,
                            const QList<std::pair<QByteArray, QByteArray>> &headers, const QByteArray &body,
                            const UploadLimits &limits)
{
    UploadAnswer answer;
    const QString where = QUrl(url).toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo | QUrl::RemoveFragment);

    HttpExchange::Request request;
    request.url = QUrl(url);
    request.method = method;
    request.headers = headers;
    // A bodiless call still says so, as the services' protocols expect of a
    // POST or PUT.
    if (!body.isEmpty() || method != "GET")
        request.body = body;
    request.silenceMs = limits.silenceMs;
    HttpExchange exchange(std::move(request));

    QEventLoop loop;
    bool ended = false;
    const auto end = [&] {
        ended = true;
        loop.quit();
    };
    const int deadlineMs = limits.deadlineFor(body.size());
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        exchange.abort();
        answer.transportFailed = true;
        answer.failure = QStringLiteral("No complete answer from %1 within %2 seconds")
                             .arg(where)
                             .arg(deadlineMs / 1000.0);
        end();
    });
    QObject::connect(&exchange, &HttpExchange::bodyReceived, &loop, [&](const QByteArray &bytes) {
        answer.body += bytes;
        if (answer.body.size() > kAnswerCap) {
            exchange.abort();
            answer.transportFailed = true;
            answer.failure = QStringLiteral("%1 gave an answer too large to be one").arg(where);
            end();
        }
    });
    QObject::connect(&exchange, &HttpExchange::finished, &loop, [&] {
        answer.status = exchange.status();
        answer.headers = exchange.headers();
        end();
    });
    QObject::connect(&exchange, &HttpExchange::failed, &loop,
                     [&](WebRequestError::Kind, const QString &description) {
                         answer.transportFailed = true;
                         answer.failure = description;
                         end();
                     });
    deadline.start(deadlineMs);
    exchange.start();
    // A refused connection can end the exchange before it returns.
    if (!ended)
        loop.exec();
    if (answer.transportFailed)
        answer.body.clear();
    return answer;
}

QString quotedSafe(QString fileName)
{
    return fileName.replace(u'"', u'_').replace(u'\r', u'_').replace(u'\n', u'_').replace(u'\\', u'_');
}

QString photoMimeType(const QString &fileName)
{
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == u"jpg" || ext == u"jpeg" || ext == u"jpe")
        return QStringLiteral("image/jpeg");
    if (ext == u"png" || ext == u"gif" || ext == u"bmp")
        return u"image/" + ext;
    if (ext == u"tif" || ext == u"tiff")
        return QStringLiteral("image/tiff");
    return QStringLiteral("application/octet-stream");
}

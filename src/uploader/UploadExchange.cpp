#include "uploader/UploadExchange.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
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

UploadAnswer exchangeUpload(const QByteArray &method, const QString &url,
                            const QList<std::pair<QByteArray, QByteArray>> &headers, const QByteArray &body,
                            const UploadLimits &limits)
{
    UploadAnswer answer;
    QNetworkAccessManager network;
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(limits.silenceMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply *reply = network.sendCustomRequest(request, method, body);

    QEventLoop loop;
    bool tooLarge = false;
    bool overdue = false;
    const int deadlineMs = limits.deadlineFor(body.size());
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        overdue = true;
        reply->abort();
    });
    deadline.start(deadlineMs);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64) {
        if (received > kAnswerCap && !tooLarge) {
            tooLarge = true;
            reply->abort();
        }
    });
    if (!reply->isFinished())
        loop.exec();

    const QVariant code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QString where = QUrl(url).toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo | QUrl::RemoveFragment);
    if (overdue) {
        answer.transportFailed = true;
        answer.failure = QStringLiteral("No complete answer from %1 within %2 seconds")
                             .arg(where)
                             .arg(deadlineMs / 1000.0);
    } else if (tooLarge) {
        answer.transportFailed = true;
        answer.failure = QStringLiteral("%1 gave an answer too large to be one").arg(where);
    } else if (!code.isValid()) {
        answer.transportFailed = true;
        answer.failure = reply->error() == QNetworkReply::OperationCanceledError
                             ? QStringLiteral("No answer from %1 within %2 seconds")
                                   .arg(where)
                                   .arg(limits.silenceMs / 1000.0)
                             : QStringLiteral("%1: %2").arg(where, reply->errorString());
    } else {
        answer.status = code.toInt();
        answer.headers = reply->rawHeaderPairs();
        answer.body = reply->readAll();
    }
    reply->deleteLater();
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

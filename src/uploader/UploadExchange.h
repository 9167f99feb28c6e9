#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <limits>
#include <utility>

// How long one exchange of an upload may take: never longer than
// `silenceMs` without a byte either way, and all of it, the answer
// included, within a deadline that grows with the body. A fixed deadline
// would make a large photo on a slow link fail for ever; a silence time-out
// alone lets a server that answers a byte a second hold the photo for a day.
struct UploadLimits
{
    int silenceMs = 120000;
    int deadlineBaseMs = 120000;             // the answer and the round trips
    qint64 slowestBytesPerSecond = 8 * 1024; // the slowest link still waited for

    int deadlineFor(qint64 bodyBytes) const
    {
        const qint64 ms = deadlineBaseMs + bodyBytes * 1000 / qMax<qint64>(1, slowestBytesPerSecond);
        return int(qMin<qint64>(ms, std::numeric_limits<int>::max()));
    }
};

// One HTTP exchange of an upload call, on the calling (worker) thread.
// Redirects are not followed: a resumable upload's "308 Resume Incomplete"
// is an answer, not a redirect, and an upload body must never be replayed to
// another address. The answer is capped, and the exchange bounded by
// `limits`.
struct UploadAnswer
{
    bool transportFailed = false;
    QString failure; // what went wrong on the wire; names no query (tokens travel there)
    int status = 0;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const;
};

UploadAnswer exchangeUpload(const QByteArray &method, const QString &url,
                            const QList<std::pair<QByteArray, QByteArray>> &headers, const QByteArray &body,
                            const UploadLimits &limits);

// A file name safe inside a quoted header parameter.
QString quotedSafe(QString fileName);
// The media type the services expect for a photo's file name.
QString photoMimeType(const QString &fileName);

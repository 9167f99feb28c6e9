#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// One HTTP exchange of an upload call, on the calling (worker) thread.
// Redirects are not followed: a resumable upload's "308 Resume Incomplete"
// is an answer, not a redirect, and an upload body must never be replayed to
// another address. The answer is capped, and the time-out is a silence
// time-out as elsewhere in the program.
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
                            int timeoutMs);

// A file name safe inside a quoted header parameter.
QString quotedSafe(QString fileName);
// The media type the services expect for a photo's file name.
QString photoMimeType(const QString &fileName);

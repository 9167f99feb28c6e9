#pragma once

#include "uploader/UploadExchange.h"
#include "uploader/UploadProtocol.h"
#include "webkit/ServiceConfig.h"

// Google Drive version 2. A photo up to a few megabytes goes in one
// multipart request; a larger one through a resumable session whose address
// is kept beside the photo in the queue, so an upload cut off, even by the
// end of the uploader, asks the session where it stands and sends only the
// rest. Every file carries a private property naming the job's photo, by
// which an interrupted photo is found in its folder instead of being sent
// twice. An expired access token is renewed from the refresh token the
// sign-in keeps in the settings, once per call, and the job goes on with it.
class GoogleUpload : public UploadProtocol
{
public:
    static constexpr qint64 kResumableAbove = 5 * 1024 * 1024;
    static constexpr qint64 kChunkBytes = 16 * 256 * 1024; // the service wants multiples of 256 KiB

    GoogleUpload(ServiceConfig::Google config, UploadLimits limits, qint64 resumableAbove = kResumableAbove,
                 qint64 chunkBytes = kChunkBytes);

    UploadOutcome send(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName,
                       const QByteArray &bytes) override;
    UploadOutcome findSent(const QueuedJob &job, const QueuedPhoto &photo) override;

    // The private property's key and the value naming one photo of a job.
    static constexpr char kPropertyKey[] = "flazzUpload";
    static QString propertyValue(const QueuedPhoto &photo);

private:
    UploadAnswer call(const QueuedJob &job, const QByteArray &method, const QString &url,
                      QList<std::pair<QByteArray, QByteArray>> headers, const QByteArray &body);
    bool renew(const QueuedJob &job);
    UploadOutcome sendMultipart(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName,
                                const QByteArray &bytes);
    UploadOutcome sendResumable(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName,
                                const QByteArray &bytes);
    // Where an open session stands: Sent when it is complete, NotFound with
    // `offset` set when it waits for more, Transient when the session is gone.
    UploadOutcome sessionStatus(const QueuedJob &job, const QString &session, qint64 total, qint64 *offset);
    QByteArray metadata(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName) const;
    UploadOutcome outcomeOf(const UploadAnswer &answer) const;

    ServiceConfig::Google m_config;
    UploadLimits m_limits;
    qint64 m_resumableAbove;
    qint64 m_chunkBytes;
    QString m_token;
    bool m_renewed = false;
    QString m_renewalFailure;
};

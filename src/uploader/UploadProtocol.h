#pragma once

#include "uploader/UploadQueue.h"

#include <QByteArray>
#include <QString>

#include <memory>

struct ServiceConfig;

// What became of one attempt at one photo.
struct UploadOutcome
{
    enum class Kind
    {
        Sent,         // the service has the photo; remoteId names it
        NotFound,     // (a check) the service does not have it: send it
        Transient,    // try again later (transport failure, 5xx, 429/503)
        PhotoRefused, // this photo will never go (too large, wrong type, quota)
        JobRefused    // the credentials were refused: no photo of the job can go
    };
    Kind kind = Kind::Transient;
    QString remoteId;
    QString reason;             // the service's own words where it gave any
    int retryAfterSeconds = -1; // what the service asked for, -1 when it did not
};

// One service's upload call. An instance serves one photo on one worker
// thread and may block there; it is made and destroyed on that thread.
class UploadProtocol
{
public:
    virtual ~UploadProtocol() = default;

    // Sends the photo's bytes under `fileName`.
    virtual UploadOutcome send(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName,
                               const QByteArray &bytes) = 0;

    // A photo found "sending" after a crash may have arrived. Sent (with its
    // id) when the service has it, NotFound when it must be sent again. A
    // service whose send keeps one copy of the same photo may answer
    // NotFound without asking.
    virtual UploadOutcome findSent(const QueuedJob &job, const QueuedPhoto &photo) = 0;
};

// The protocol for a job's service; null for a service this uploader does
// not speak (yet).
std::unique_ptr<UploadProtocol> makeUploadProtocol(const QString &service, const ServiceConfig &config,
                                                   int timeoutMs);

// How a plain HTTP answer is taken when the service's own error shape gave
// nothing more precise.
UploadOutcome outcomeOfStatus(int status, const QByteArray &retryAfter, const QString &reason);

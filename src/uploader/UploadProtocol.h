#pragma once

#include "uploader/UploadExchange.h"
#include "uploader/UploadQueue.h"

#include <QByteArray>
#include <QString>

#include <memory>

class RcloneDaemon;
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

// What an upload call may keep or look up beyond one attempt at one photo:
// a note beside the photo that outlives a crash of the uploader (an open
// resumable session), the job's token as renewed meanwhile, and the
// program's settings, where the sign-in keeps what renewal needs. Used from
// the photo's worker thread.
class UploadContext
{
public:
    virtual ~UploadContext() = default;
    virtual QString note(const QueuedPhoto &photo) = 0;
    virtual void keepNote(const QueuedPhoto &photo, const QString &note) = 0;
    // The job's photos as the queue has them now.
    virtual QList<QueuedPhoto> photosOf(const QString &job) = 0;
    // The job's current token: another photo may have renewed it.
    virtual QString token(const QueuedJob &job) = 0;
    virtual void keepToken(const QueuedJob &job, const QString &token) = 0;
    // A "//Settings//..." value; empty when absent.
    virtual QString setting(const QString &key) = 0;
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

    // Calls that resume or renew use it; without one they start over and
    // stop at an expired token.
    void setContext(UploadContext *context) { m_context = context; }

protected:
    UploadContext *context() const { return m_context; }

private:
    UploadContext *m_context = nullptr;
};

// The protocol for a job's service; null for a service this uploader does
// not speak (yet). "rclone:NAME" goes through `rclone`, when there is one.
std::unique_ptr<UploadProtocol> makeUploadProtocol(const ServiceId &service, const ServiceConfig &config,
                                                   const UploadLimits &limits,
                                                   const RcloneDaemon *rclone = nullptr);

// How a plain HTTP answer is taken when the service's own error shape gave
// nothing more precise.
UploadOutcome outcomeOfStatus(int status, const QByteArray &retryAfter, const QString &reason);

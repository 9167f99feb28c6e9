#pragma once

#include "uploader/RetryPolicy.h"
#include "uploader/UploadProtocol.h"
#include "uploader/UploadQueue.h"
#include "webkit/ServiceConfig.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QThreadPool>
#include <QTimer>

#include <memory>

class RcloneDaemon;

struct EngineOptions
{
    // Photos in flight per service, each on a connection of its own: six, as
    // browsers open per host, keeps a link with a long round trip busy.
    int perService = 6;
    // Worker threads, all services together: mostly waiting on the network,
    // so two services can go at full width at once.
    int threads = 12;
    // Photos scaled at once, when the photo set left no copy: one per core,
    // which is what bounds the uploader's memory (a 24 MP photo decodes to
    // tens of MB) whatever the number of connections.
    int scalers = 0; // 0: one per core
    UploadLimits limits;
    int pollMs = 250; // how often the queue is looked at for new jobs and photos
    RetryPolicy retry;
    // The program's "Settings.xml", where the sign-ins keep what renewing a
    // token needs.
    QString settingsFile;

    // `perService` as the settings give it: a whole number from 1 to 16;
    // anything else leaves the default.
    static int perServiceFrom(const QString &setting);
};

// Sends the queue's photos. Lives on the thread of its queue (the
// uploader's main thread), which alone writes the queue; the scaling and the
// HTTP exchanges run on a small pool of worker threads, one photo per task.
// (A task writes only its photo's note and its job's renewed token, through
// a connection of its own.)
//
// Exactly once: a photo is marked "sending" (committed) before its task
// starts and "sent" with the service's id when the task reports back. A
// photo found "sending" that no task of this run owns was interrupted, and
// one that failed half-way may have arrived all the same: both are first
// looked for on the service, or sent so that the service keeps one copy.
class UploadEngine : public QObject
{
    Q_OBJECT
public:
    UploadEngine(UploadQueue &queue, ServiceConfig config, EngineOptions options, QObject *parent = nullptr);
    ~UploadEngine() override;

    void start();
    // The companion's "close": no new photo starts, those in flight finish
    // and are recorded, the rest stay queued for the next run.
    void finishInFlight();
    bool closing() const { return m_closing; }

    int inFlight() const { return int(m_inFlight.size()); }
    // True when a job of a service this uploader speaks has a photo to send.
    bool hasWork() const;

signals:
    // Nothing in flight and nothing to start, now or after a back-off.
    void drained();

private:
    void pump();
    void dispatch(const QueuedJob &job, const QueuedPhoto &photo, bool verify);
    void settle(const QueuedJob &job, const QueuedPhoto &photo, const UploadOutcome &outcome);
    // The photo set's scaled copies (see QueuedUploader::setPreparedCopies):
    // each goes once its photo is done, and what a crash left behind goes at
    // the next start.
    bool isPreparedCopy(const QString &path) const;
    void discardPrepared(const QueuedPhoto &photo);
    void sweepPrepared();
    // The rclone the jobs of rclone's remotes go through, started on this
    // thread when one has work. Failed: the job was stopped with the reason.
    enum class RcloneState
    {
        Ready,
        Starting,
        Failed
    };
    RcloneState rcloneFor(const QueuedJob &job);

    UploadQueue &m_queue;
    ServiceConfig m_config;
    EngineOptions m_options;
    QThreadPool m_pool;
    QThreadPool m_scalers; // scales for the tasks of m_pool, which wait for it
    QTimer m_poll;
    QSet<QString> m_inFlight; // "<job>/<seq>"
    QHash<QString, int> m_perService;
    std::unique_ptr<RcloneDaemon> m_rclone;
    bool m_rcloneStarting = false;
    bool m_closing = false;
    bool m_started = false;
};

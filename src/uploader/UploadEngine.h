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

struct EngineOptions
{
    int perService = 3; // photos in flight per service
    int threads = 4;    // scaling and sending, all services together
    int timeoutMs = 120000;
    int pollMs = 1000; // how often the queue is looked at for new jobs
    RetryPolicy retry;
    // The program's "Settings.xml", where the sign-ins keep what renewing a
    // token needs.
    QString settingsFile;
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

    UploadQueue &m_queue;
    ServiceConfig m_config;
    EngineOptions m_options;
    QThreadPool m_pool;
    QTimer m_poll;
    QSet<QString> m_inFlight; // "<job>/<seq>"
    QHash<QString, int> m_perService;
    bool m_closing = false;
    bool m_started = false;
};

#include "uploader/UploadEngine.h"

#include "uploader/PhotoPreparation.h"
#include "uploader/QueueUploadContext.h"

#include <QDateTime>
#include <QtDebug>

namespace {

bool speaks(const QString &service)
{
    return service == u"Dropbox" || service == u"Flickr" || service == u"Google" || service == u"Live" ||
           service == u"Facebook";
}

QString keyOf(const QueuedPhoto &photo)
{
    return photo.job + u'/' + QString::number(photo.seq);
}

// One photo, on a worker thread.
UploadOutcome runOne(const ServiceConfig &config, int timeoutMs, const QueuedJob &job,
                     const QueuedPhoto &photo, bool verify, UploadContext *context)
{
    using Kind = UploadOutcome::Kind;
    const auto protocol = makeUploadProtocol(job.service, config, timeoutMs);
    if (!protocol)
        return {Kind::PhotoRefused, {}, QStringLiteral("No upload to %1 is possible").arg(job.service)};
    protocol->setContext(context);
    if (verify) {
        const UploadOutcome found = protocol->findSent(job, photo);
        if (found.kind != Kind::NotFound)
            return found;
    }
    const PreparedPhoto prepared = preparePhoto(photo.path, job.uploadSize);
    if (prepared.bytes.isEmpty())
        return {Kind::PhotoRefused, {}, QStringLiteral("The photo cannot be read")};
    return protocol->send(job, photo, prepared.fileName, prepared.bytes);
}

} // namespace

UploadEngine::UploadEngine(UploadQueue &queue, ServiceConfig config, EngineOptions options, QObject *parent)
    : QObject(parent), m_queue(queue), m_config(std::move(config)), m_options(options)
{
    m_pool.setMaxThreadCount(qMax(1, m_options.threads));
    m_poll.setInterval(m_options.pollMs);
    connect(&m_poll, &QTimer::timeout, this, &UploadEngine::pump);
}

UploadEngine::~UploadEngine()
{
    // Tasks report back through queued calls on this object, which die
    // with it; what they did is found "sending" on the next start.
    m_pool.waitForDone();
}

void UploadEngine::start()
{
    m_started = true;
    m_closing = false;
    m_poll.start();
    pump();
}

void UploadEngine::finishInFlight()
{
    m_closing = true;
    m_poll.stop();
    if (m_inFlight.isEmpty())
        QMetaObject::invokeMethod(this, &UploadEngine::drained, Qt::QueuedConnection);
}

bool UploadEngine::hasWork() const
{
    for (const QueuedJob &job : m_queue.jobs(QStringLiteral("open"))) {
        if (speaks(job.service) && !m_queue.pendingPhotos(job.id).isEmpty())
            return true;
    }
    return false;
}

void UploadEngine::pump()
{
    if (m_closing || !m_started) {
        if (m_closing && m_inFlight.isEmpty())
            emit drained();
        return;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    bool waiting = false;
    for (const QueuedJob &job : m_queue.jobs(QStringLiteral("open"))) {
        if (!speaks(job.service))
            continue; // kept for an uploader that speaks it
        const QList<QueuedPhoto> pending = m_queue.pendingPhotos(job.id);
        if (pending.isEmpty()) {
            m_queue.endJobIfDone(job.id);
            continue;
        }
        for (const QueuedPhoto &photo : pending) {
            if (m_inFlight.contains(keyOf(photo)))
                continue;
            if (photo.notBefore > now) {
                waiting = true;
                continue;
            }
            if (m_perService.value(job.service) >= m_options.perService) {
                waiting = true;
                break;
            }
            const bool verify = photo.state == u"sending" || photo.attempts > 0;
            if (photo.state != u"sending" && !m_queue.markSending(job.id, photo.seq)) {
                qWarning().noquote() << "upload queue:" << m_queue.errorText();
                waiting = true;
                continue;
            }
            dispatch(job, photo, verify);
        }
    }
    if (m_inFlight.isEmpty() && !waiting)
        emit drained();
}

void UploadEngine::dispatch(const QueuedJob &job, const QueuedPhoto &photo, bool verify)
{
    m_inFlight.insert(keyOf(photo));
    ++m_perService[job.service];
    const ServiceConfig config = m_config;
    const int timeoutMs = m_options.timeoutMs;
    const QString queuePath = m_queue.path();
    const QString settingsFile = m_options.settingsFile;
    m_pool.start([this, config, timeoutMs, job, photo, verify, queuePath, settingsFile] {
        QueueUploadContext context(queuePath, settingsFile);
        const UploadOutcome outcome = runOne(config, timeoutMs, job, photo, verify, &context);
        QMetaObject::invokeMethod(
            this, [this, job, photo, outcome] { settle(job, photo, outcome); }, Qt::QueuedConnection);
    });
}

void UploadEngine::settle(const QueuedJob &job, const QueuedPhoto &photo, const UploadOutcome &outcome)
{
    using Kind = UploadOutcome::Kind;
    m_inFlight.remove(keyOf(photo));
    --m_perService[job.service];

    bool recorded = true;
    switch (outcome.kind) {
    case Kind::Sent:
        recorded = m_queue.markSent(job.id, photo.seq, outcome.remoteId);
        break;
    case Kind::PhotoRefused:
        recorded = m_queue.markFailed(job.id, photo.seq, outcome.reason);
        break;
    case Kind::JobRefused:
        recorded = m_queue.stopJob(job.id, outcome.reason);
        break;
    case Kind::NotFound:
    case Kind::Transient: {
        const int attempts = photo.attempts + 1;
        if (m_options.retry.givesUp(attempts)) {
            recorded = m_queue.markFailed(job.id, photo.seq, outcome.reason);
        } else {
            const qint64 wait = m_options.retry.delayMs(attempts, outcome.retryAfterSeconds);
            recorded = m_queue.markRetry(job.id, photo.seq, QDateTime::currentMSecsSinceEpoch() + wait,
                                         outcome.reason);
            // Wake up for it even when nothing else happens meanwhile.
            if (!m_closing)
                QTimer::singleShot(qMin<qint64>(wait, 24 * 3600 * 1000) + 5, this, &UploadEngine::pump);
        }
        break;
    }
    }
    // The photo stays "sending" on disk when this failed; the next run
    // checks it with the service before sending it again.
    if (!recorded)
        qWarning().noquote() << "upload queue:" << m_queue.errorText();
    m_queue.endJobIfDone(job.id);
    pump();
}

#include "uploader/UploadEngine.h"

#include "rclone/RcloneDaemon.h"
#include "uploader/PhotoPreparation.h"
#include "uploader/QueueUploadContext.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QThread>
#include <QtDebug>

#include <future>

namespace {

// Every service of the table has an upload here; a text this version does
// not know is left for the uploader that does.
bool speaks(const ServiceId &service)
{
    return service.service().has_value() || service.isRemote();
}

QString keyOf(const QueuedPhoto &photo)
{
    return photo.job + u'/' + QString::number(photo.seq);
}

// One photo, on a worker thread.
UploadOutcome runOne(const ServiceConfig &config, const UploadLimits &limits, const QueuedJob &job,
                     const QueuedPhoto &photo, bool verify, UploadContext *context, QThreadPool &scalers,
                     const RcloneDaemon *rclone)
{
    using Kind = UploadOutcome::Kind;
    const auto protocol = makeUploadProtocol(job.service, config, limits, rclone);
    if (!protocol)
        return {Kind::PhotoRefused,
                {},
                QStringLiteral("No upload to %1 is possible").arg(job.service.displayName())};
    protocol->setContext(context);
    if (verify) {
        const UploadOutcome found = protocol->findSent(job, photo);
        if (found.kind != Kind::NotFound)
            return found;
    }
    PreparedPhoto prepared = preparedCopy(photo, job.uploadSize);
    QString problem;
    if (prepared.bytes.isEmpty() && job.uploadSize <= 0) {
        prepared = preparePhoto(photo, 0, MetadataRuleFor(job.keepMetadata), &problem);
    } else if (prepared.bytes.isEmpty()) {
        // Reading and scaling run on a few threads of their own: the tens
        // of MB a large photo decodes to stay with those threads' allocator
        // arenas rather than pile up in every sending thread's.
        std::promise<PreparedPhoto> scaled;
        std::future<PreparedPhoto> result = scaled.get_future();
        scalers.start([&] {
            scaled.set_value(
                preparePhoto(photo, job.uploadSize, MetadataRuleFor(job.keepMetadata), &problem));
        });
        prepared = result.get();
    }
    if (prepared.bytes.isEmpty())
        return {Kind::PhotoRefused, {}, problem};
    return protocol->send(job, photo, prepared.fileName, prepared.bytes);
}

// A folder of copies nobody wrote to for this long belongs to no job being
// queued right now.
constexpr qint64 kPreparedLeftoverMs = 3600 * 1000;

} // namespace

int EngineOptions::perServiceFrom(const QString &setting)
{
    bool number = false;
    const int n = setting.trimmed().toInt(&number);
    return number && n >= 1 && n <= 16 ? n : EngineOptions().perService;
}

UploadEngine::UploadEngine(UploadQueue &queue, ServiceConfig config, EngineOptions options, QObject *parent)
    : QObject(parent), m_queue(queue), m_config(std::move(config)), m_options(options)
{
    m_pool.setMaxThreadCount(qMax(1, m_options.threads));
    m_scalers.setMaxThreadCount(m_options.scalers > 0 ? m_options.scalers
                                                      : qMax(1, QThread::idealThreadCount()));
    m_poll.setInterval(m_options.pollMs);
    connect(&m_poll, &QTimer::timeout, this, &UploadEngine::pump);
}

UploadEngine::~UploadEngine()
{
    // Tasks report back through queued calls on this object, which die
    // with it; what they did is found "sending" on the next start.
    m_pool.waitForDone();
}

UploadEngine::RcloneState UploadEngine::rcloneFor(const QueuedJob &job)
{
    if (!m_rclone)
        m_rclone = std::make_unique<RcloneDaemon>(RcloneSetup::find(m_config.rclone.config));
    if (m_rclone->running())
        return RcloneState::Ready;
    // Starting waits in a local event loop, where a timer may pump again:
    // that inner pump leaves the job to this one.
    if (m_rcloneStarting)
        return RcloneState::Starting;
    m_rcloneStarting = true;
    const bool up = m_rclone->start();
    m_rcloneStarting = false;
    if (up)
        return RcloneState::Ready;
    // Like a refused sign-in: the job waits for the next one to the remote
    // (rclone installed meanwhile, say).
    if (!m_queue.stopJob(job.id, m_rclone->failure()))
        qWarning().noquote() << "upload queue:" << m_queue.errorText();
    return RcloneState::Failed;
}

void UploadEngine::start()
{
    sweepPrepared();
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
        if (!pending.isEmpty() && job.service.isRemote()) {
            const RcloneState rclone = rcloneFor(job);
            waiting = waiting || rclone == RcloneState::Starting;
            if (rclone != RcloneState::Ready)
                continue;
        }
        if (pending.isEmpty()) {
            m_queue.endJobIfDone(job.id);
            // Still open: its photos are still being added.
            waiting = waiting || m_queue.job(job.id).state == u"open";
            continue;
        }
        for (const QueuedPhoto &photo : pending) {
            if (m_inFlight.contains(keyOf(photo)))
                continue;
            if (photo.notBefore > now) {
                waiting = true;
                continue;
            }
            if (m_perService.value(job.service.text()) >= m_options.perService) {
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
    ++m_perService[job.service.text()];
    const ServiceConfig config = m_config;
    const UploadLimits limits = m_options.limits;
    const QString queuePath = m_queue.path();
    const QString settingsFile = m_options.settingsFile;
    // Started before any of its jobs' photos go, and stopped only once the
    // pool is done.
    const RcloneDaemon *rclone = m_rclone.get();
    m_pool.start([this, config, limits, job, photo, verify, queuePath, settingsFile, rclone] {
        QueueUploadContext context(queuePath, settingsFile);
        const UploadOutcome outcome = runOne(config, limits, job, photo, verify, &context, m_scalers, rclone);
        QMetaObject::invokeMethod(
            this, [this, job, photo, outcome] { settle(job, photo, outcome); }, Qt::QueuedConnection);
    });
}

void UploadEngine::settle(const QueuedJob &job, const QueuedPhoto &photo, const UploadOutcome &outcome)
{
    using Kind = UploadOutcome::Kind;
    m_inFlight.remove(keyOf(photo));
    --m_perService[job.service.text()];

    bool recorded = true;
    switch (outcome.kind) {
    case Kind::Sent:
        recorded = m_queue.markSent(job.id, photo.seq, outcome.remoteId);
        discardPrepared(photo);
        break;
    case Kind::PhotoRefused:
        recorded = m_queue.markFailed(job.id, photo.seq, outcome.reason);
        discardPrepared(photo);
        break;
    case Kind::JobRefused:
        recorded = m_queue.stopJob(job.id, outcome.reason);
        break;
    case Kind::NotFound:
    case Kind::Transient: {
        const int attempts = photo.attempts + 1;
        if (m_options.retry.givesUp(attempts)) {
            recorded = m_queue.markFailed(job.id, photo.seq, outcome.reason);
            discardPrepared(photo);
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

bool UploadEngine::isPreparedCopy(const QString &path) const
{
    // Only ever a file of our own folder: the queue names it, and nothing
    // else is deleted on its word.
    const QString folder = QDir::cleanPath(UploadQueue::preparedFolderOf(m_queue.path())) + u'/';
    return !path.isEmpty() && QDir::cleanPath(QFileInfo(path).absoluteFilePath()).startsWith(folder);
}

void UploadEngine::discardPrepared(const QueuedPhoto &photo)
{
    if (!isPreparedCopy(photo.prepared))
        return;
    QFile::remove(photo.prepared);
    QDir().rmdir(QFileInfo(photo.prepared).absolutePath()); // once the job's last copy is gone
}

void UploadEngine::sweepPrepared()
{
    // Copies of photos still to send (stopped jobs go on after a new
    // sign-in) stay; the rest were left by a crash or a job that failed to
    // queue.
    QSet<QString> wanted;
    for (const QString &state : {QStringLiteral("open"), QStringLiteral("stopped")}) {
        for (const QueuedJob &job : m_queue.jobs(state)) {
            for (const QueuedPhoto &photo : m_queue.pendingPhotos(job.id))
                wanted.insert(QFileInfo(photo.prepared).absoluteFilePath());
        }
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QDirIterator folders(UploadQueue::preparedFolderOf(m_queue.path()), QDir::Dirs | QDir::NoDotAndDotDot);
    while (folders.hasNext()) {
        const QFileInfo folder(folders.next());
        if (now - folder.lastModified().toMSecsSinceEpoch() < kPreparedLeftoverMs)
            continue;
        bool kept = false;
        for (const QFileInfo &file : QDir(folder.filePath()).entryInfoList(QDir::Files)) {
            if (wanted.contains(file.absoluteFilePath()))
                kept = true;
            else
                QFile::remove(file.absoluteFilePath());
        }
        if (!kept)
            QDir().rmdir(folder.absoluteFilePath());
    }
}

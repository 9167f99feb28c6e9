#include "uploader/UploadProgress.h"

#include <QFileInfo>

namespace {

// Looks in a row that find work and no uploader before it is started again:
// one could be an uploader between its lock and its socket.
constexpr int kMissesBeforeRestart = 2;
// While it still does not come, it is tried again every so many looks.
constexpr int kMissesBetweenRestarts = 15;

int left(const JobSummary &job)
{
    return job.total - job.sent - job.failed;
}

QString photos(int n)
{
    return n == 1 ? QStringLiteral("1 photo") : QStringLiteral("%1 photos").arg(n);
}

} // namespace

namespace UploadTexts {

QString serviceName(const QString &service)
{
    if (service == u"Google")
        return QStringLiteral("Google Drive");
    if (service == u"Live")
        return QStringLiteral("SkyDrive");
    return service;
}

QString status(const QList<JobSummary> &jobs, bool uploaderRunning, qint64 now)
{
    QStringList lines;
    for (const JobSummary &job : jobs) {
        if (job.state != u"open" && job.state != u"stopped")
            continue;
        const QString service = serviceName(job.service);
        QStringList parts{QStringLiteral("%1 of %2 sent").arg(job.sent).arg(job.total)};
        if (job.failed > 0)
            parts << QStringLiteral("%1 not sent").arg(job.failed);
        if (job.state == u"stopped") {
            parts << QStringLiteral("%1 wait until you sign in to %2 again").arg(left(job)).arg(service);
        } else if (!uploaderRunning && left(job) > 0) {
            parts << QStringLiteral("%1 waiting for the uploader").arg(left(job));
        } else {
            if (job.sending > 0)
                parts << QStringLiteral("%1 on their way").arg(job.sending);
            if (const int waiting = left(job) - job.sending - job.retrying; waiting > 0)
                parts << QStringLiteral("%1 waiting").arg(waiting);
            if (job.retrying > 0)
                parts << QStringLiteral("%1 retrying in %2 s: %3")
                             .arg(job.retrying)
                             .arg(qMax<qint64>(1, (job.nextAttempt - now + 999) / 1000))
                             .arg(job.retryReason);
        }
        lines << service + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    }
    return lines.join(u'\n');
}

QString notice(const JobSummary &job)
{
    const QString service = serviceName(job.service);
    if (job.state == u"stopped") {
        QString reason = job.reason.trimmed();
        if (!reason.endsWith(u'.'))
            reason += u'.';
        return QStringLiteral(
                   "Uploading to %1 stopped: %2 %3 of %4 photos wait until you sign in to %1 again.")
            .arg(service, reason)
            .arg(left(job))
            .arg(job.total);
    }
    if (job.failed == 0)
        return QStringLiteral("%1 sent to %2.").arg(photos(job.sent), service);
    constexpr int kNamed = 5;
    QStringList named = job.failures.mid(0, kNamed);
    if (job.failures.size() > kNamed)
        named << QStringLiteral("and %1 more").arg(job.failures.size() - kNamed);
    return QStringLiteral("%1 of %2 photos sent to %3. Not sent: %4.")
        .arg(job.sent)
        .arg(job.total)
        .arg(service, named.join(QStringLiteral("; ")));
}

QString exitNote(const QList<JobSummary> &jobs)
{
    int toSend = 0;
    int onTheirWay = 0;
    for (const JobSummary &job : jobs) {
        if (job.state == u"open") {
            toSend += left(job);
            onTheirWay += job.sending;
        }
    }
    if (toSend == 0)
        return {};
    // Closing lets the photos in flight finish; the others wait in the
    // queue for the next start.
    if (onTheirWay == toSend)
        return QStringLiteral("%1 still on the way: %2 in the background.")
            .arg(photos(toSend), toSend == 1 ? QStringLiteral("it finishes") : QStringLiteral("they finish"));
    if (onTheirWay == 0)
        return QStringLiteral("%1 still to be sent: %2 when Flazz starts again.")
            .arg(photos(toSend), toSend == 1 ? QStringLiteral("it goes") : QStringLiteral("they go"));
    return QStringLiteral("%1 still to be sent: the %2 on the way finish in the background, the other %3 "
                          "when Flazz starts again.")
        .arg(photos(toSend))
        .arg(onTheirWay)
        .arg(toSend - onTheirWay);
}

} // namespace UploadTexts

UploadWatch::UploadWatch(QString queuePath, UploadNotices &notices, int intervalMs, QObject *parent)
    : QObject(parent), m_queuePath(std::move(queuePath)), m_notices(notices)
{
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &UploadWatch::poll);
}

UploadWatch::~UploadWatch() = default;

void UploadWatch::setUploader(std::function<bool()> running, std::function<bool()> restart)
{
    m_running = std::move(running);
    m_restart = std::move(restart);
}

void UploadWatch::start()
{
    m_timer.start();
    poll();
}

UploadQueue *UploadWatch::queue()
{
    // No queue yet means nothing was ever sent; do not create one to look.
    if (!m_queue) {
        if (!QFileInfo::exists(m_queuePath))
            return nullptr;
        m_queue = std::make_unique<UploadQueue>(m_queuePath);
    }
    return m_queue.get();
}

void UploadWatch::poll()
{
    UploadQueue *queue = this->queue();
    if (!queue)
        return;
    const QList<JobSummary> jobs = queue->summaries();
    bool waiting = false;
    for (const JobSummary &job : jobs)
        waiting = waiting || (job.state == u"open" && left(job) > 0);
    if (waiting && m_running && !m_running())
        ++m_missed;
    else
        m_missed = 0;
    const bool running = m_missed < kMissesBeforeRestart;
    if (!running && m_restart && (m_missed - kMissesBeforeRestart) % kMissesBetweenRestarts == 0)
        m_restart();

    const QString status = UploadTexts::status(jobs, running);
    if (status != m_lastStatus) {
        m_lastStatus = status;
        m_notices.showUploadStatus(status);
    }
    for (const JobSummary &job : jobs) {
        if (job.announced || job.state == u"open")
            continue;
        if (queue->markAnnounced(job.id))
            m_notices.notifyUpload(QStringLiteral("Flazz"), UploadTexts::notice(job));
    }
}

QString UploadWatch::exitNote()
{
    UploadQueue *queue = this->queue();
    return queue ? UploadTexts::exitNote(queue->summaries()) : QString();
}

#include "uploader/UploadProgress.h"

#include <QFileInfo>

namespace UploadTexts {

QString status(const QList<JobSummary> &jobs)
{
    QStringList lines;
    for (const JobSummary &job : jobs) {
        if (job.state != u"open")
            continue;
        const int current = qMin(job.total, job.sent + job.failed + 1);
        lines << QStringLiteral("Uploading %1 of %2 to %3")
                     .arg(current)
                     .arg(job.total)
                     .arg(job.service.displayName());
    }
    return lines.join(u'\n');
}

QString notice(const JobSummary &job)
{
    const QString service = job.service.displayName();
    if (job.state == u"stopped") {
        const int left = job.total - job.sent - job.failed;
        QString reason = job.reason.trimmed();
        if (!reason.endsWith(u'.'))
            reason += u'.';
        return QStringLiteral(
                   "Uploading to %1 stopped: %2 %3 of %4 photos wait until you sign in to %1 again.")
            .arg(service, reason)
            .arg(left)
            .arg(job.total);
    }
    if (job.failed == 0)
        return job.total == 1 ? QStringLiteral("1 photo sent to %1.").arg(service)
                              : QStringLiteral("%1 photos sent to %2.").arg(job.total).arg(service);
    constexpr int kNamed = 5;
    QStringList named = job.failures.mid(0, kNamed);
    if (job.failures.size() > kNamed)
        named << QStringLiteral("and %1 more").arg(job.failures.size() - kNamed);
    return QStringLiteral("%1 of %2 photos sent to %3. Not sent: %4.")
        .arg(job.sent)
        .arg(job.total)
        .arg(service, named.join(QStringLiteral("; ")));
}

} // namespace UploadTexts

UploadWatch::UploadWatch(QString queuePath, UploadNotices &notices, int intervalMs, QObject *parent)
    : QObject(parent), m_queuePath(std::move(queuePath)), m_notices(notices)
{
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &UploadWatch::poll);
}

UploadWatch::~UploadWatch() = default;

void UploadWatch::start()
{
    m_timer.start();
    poll();
}

void UploadWatch::poll()
{
    // No queue yet means nothing was ever sent; do not create one to look.
    if (!m_queue) {
        if (!QFileInfo::exists(m_queuePath))
            return;
        m_queue = std::make_unique<UploadQueue>(m_queuePath);
    }
    const QList<JobSummary> jobs = m_queue->summaries();
    const QString status = UploadTexts::status(jobs);
    if (status != m_lastStatus) {
        m_lastStatus = status;
        m_notices.showUploadStatus(status);
    }
    for (const JobSummary &job : jobs) {
        if (job.announced || job.state == u"open")
            continue;
        if (m_queue->markAnnounced(job.id))
            m_notices.notifyUpload(QStringLiteral("Flazz"), UploadTexts::notice(job));
    }
}

#include "rclone/RcloneChild.h"

#include "platform/ChildProcess.h"
#include "rclone/RcloneText.h"
#include "rclone/RcloneWait.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

RcloneChild::RcloneChild() = default;

RcloneChild::~RcloneChild()
{
    stop();
}

bool RcloneChild::running() const
{
    return m_process && m_process->state() == QProcess::Running;
}

QString RcloneChild::log() const
{
    QFile file(m_logFolder->filePath(QStringLiteral("rclone.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.read(64 * 1024)) : QString();
}

QString RcloneChild::start(const RcloneSetup &setup, const QStringList &args, const QProcessEnvironment &env,
                           const QRegularExpression &ready, int deadlineMs)
{
    stop();
    m_failure.clear();
    if (setup.program.isEmpty()) {
        m_failure = setup.missingText();
        return {};
    }
    m_logFolder = std::make_unique<QTemporaryDir>(); // owner-only
    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(env);
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(m_logFolder->filePath(QStringLiteral("rclone.log")));
    platform::endWithParent(*m_process);
    m_process->start(setup.program, args);
    if (!m_process->waitForStarted(10000)) {
        m_failure = setup.missingText();
        m_process.reset();
        return {};
    }
    QString captured;
    waitInLocalLoop(
        [&] {
            const QRegularExpressionMatch match = ready.match(log());
            if (match.hasMatch())
                captured = match.captured(1);
            return !captured.isEmpty() || m_process->state() != QProcess::Running;
        },
        deadlineMs);
    if (captured.isEmpty() || !running()) {
        const QString last = rcloneLastWords(log());
        m_failure = !last.isEmpty() ? u"rclone could not start: " + last
                    : running()
                        ? QStringLiteral("rclone did not start within %1 seconds").arg(deadlineMs / 1000)
                        : QStringLiteral("rclone ended at once");
        stop(0);
        return {};
    }
    return captured;
}

void RcloneChild::stop(int graceMs)
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        if (graceMs > 0) {
            m_process->terminate();
            m_process->waitForFinished(graceMs);
        }
        if (m_process->state() != QProcess::NotRunning) {
            m_process->kill();
            m_process->waitForFinished(3000);
        }
    }
    m_process.reset();
    m_logFolder.reset();
}

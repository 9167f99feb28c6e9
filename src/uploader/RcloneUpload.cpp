#include "uploader/RcloneUpload.h"

#include "rclone/RcloneNames.h"
#include "rclone/RcloneRemote.h"

RcloneUpload::RcloneUpload(const RcloneDaemon &daemon, UploadLimits limits)
    : m_daemon(daemon), m_limits(limits)
{
}

UploadOutcome RcloneUpload::outcomeOf(const RcloneResult &result)
{
    using Kind = UploadOutcome::Kind;
    switch (result.failure) {
    case RcloneFailure::Credentials:
        return {Kind::JobRefused, {}, u"The remote refused the sign-in: " + result.error};
    case RcloneFailure::NoRemote:
        return {Kind::JobRefused, {}, u"rclone has no such remote: " + result.error};
    case RcloneFailure::Full:
        return {Kind::PhotoRefused, {}, u"The remote is full: " + result.error};
    case RcloneFailure::Refused:
        return {Kind::PhotoRefused, {}, result.error};
    case RcloneFailure::Transient:
        break;
    }
    return {Kind::Transient, {}, result.error};
}

UploadOutcome RcloneUpload::send(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName,
                                 const QByteArray &bytes)
{
    const QString remoteName = job.service.remote();
    const QString decided = context() ? context()->note(photo) : QString();
    // The job's own scratch name for this photo: nobody else's file.
    const QString scratch = QStringLiteral(".flazz-%1-%2.partial").arg(job.id.left(12)).arg(photo.seq);
    const auto reserved = [&] {
        QStringList names;
        if (context()) {
            for (const QueuedPhoto &other : context()->photosOf(job.id)) {
                if (other.seq != photo.seq)
                    names << context()->note(other);
            }
        }
        return names;
    };
    const auto renamed = [&](const QString &name) {
        if (context())
            context()->keepNote(photo, name);
    };
    QString arrivedAs;
    const RcloneResult result =
        RcloneRemote(m_daemon, remoteName, m_limits.deadlineBaseMs, m_limits.slowestBytesPerSecond)
            .deliver(job.target, decided.isEmpty() ? fileName : decided, scratch, bytes, reserved, renamed,
                     &arrivedAs);
    if (!result.ok)
        return outcomeOf(result);
    return {UploadOutcome::Kind::Sent, RcloneNames::join(job.target, arrivedAs), {}};
}

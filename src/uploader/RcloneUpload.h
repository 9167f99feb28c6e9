#pragma once

#include "uploader/UploadProtocol.h"

class RcloneDaemon;
struct RcloneResult;

// A photo to a remote of rclone's ("rclone:NAME" jobs), into the job's
// folder under the name decided when the job was queued (the photo's note),
// through the uploader's own rclone. Nothing there is ever replaced, and a
// photo sent before a kill is found there, not sent twice.
class RcloneUpload : public UploadProtocol
{
public:
    RcloneUpload(const RcloneDaemon &daemon, UploadLimits limits);

    UploadOutcome send(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName,
                       const QByteArray &bytes) override;
    // The send looks at the photo's name before anything goes, which is
    // the check itself.
    UploadOutcome findSent(const QueuedJob &, const QueuedPhoto &) override
    {
        return {UploadOutcome::Kind::NotFound, {}, {}};
    }

    // What a failure of rclone's means for the photo and its job.
    static UploadOutcome outcomeOf(const RcloneResult &result);

private:
    const RcloneDaemon &m_daemon;
    UploadLimits m_limits;
};

#pragma once

#include "uploader/UploadExchange.h"
#include "uploader/UploadProtocol.h"
#include "webkit/ServiceConfig.h"

// SkyDrive version 5.0: the photo's bytes PUT into the chosen folder under
// its name, never replacing a file. A name that is taken is looked up: the
// same size is this photo, arrived in an attempt whose answer was lost (so
// sending again keeps one copy); another size is the user's own file, and
// the photo goes in beside it under a name the service chooses. An expired
// token ("request_token_expired") is renewed once per call from the refresh
// token the sign-in keeps in the settings.
class LiveUpload : public UploadProtocol
{
public:
    LiveUpload(ServiceConfig::Live config, UploadLimits limits);

    UploadOutcome send(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName,
                       const QByteArray &bytes) override;
    UploadOutcome findSent(const QueuedJob &, const QueuedPhoto &) override
    {
        return {UploadOutcome::Kind::NotFound};
    }

private:
    UploadAnswer call(const QueuedJob &job, const QByteArray &method, const QString &address,
                      const QByteArray &body);
    bool renew(const QueuedJob &job);
    UploadOutcome outcomeOf(const UploadAnswer &answer) const;
    // The file of the folder that is this photo: named `fileName` or the
    // service's renamed copy of it, of `size` bytes.
    UploadOutcome lookUp(const QueuedJob &job, const QString &fileName, qint64 size);

    ServiceConfig::Live m_config;
    UploadLimits m_limits;
    QString m_token;
    bool m_renewed = false;
    QString m_renewalFailure;
};

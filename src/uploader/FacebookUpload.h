#pragma once

#include "uploader/UploadExchange.h"
#include "uploader/UploadProtocol.h"
#include "webkit/ServiceConfig.h"

#include <QSize>

// Facebook Graph: a multipart form to the album's photos ("me" puts the
// photo into the application's album) with the caption from the remarks and
// the privacy the program chose. Nothing of ours can ride along unseen on a
// photo, so an interrupted one is looked for among the album's newest
// photos: the same caption and shape, arrived after its attempt began, and
// not already another photo of the job. Where two photos of the job could
// claim the same arrival, neither does and both go again: a double beats a
// loss. Facebook's expired token (190) cannot be renewed here: the job stops
// with the service's words until the user signs in again.
class FacebookUpload : public UploadProtocol
{
public:
    FacebookUpload(ServiceConfig::Facebook config, UploadLimits limits);

    UploadOutcome send(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName,
                       const QByteArray &bytes) override;
    UploadOutcome findSent(const QueuedJob &job, const QueuedPhoto &photo) override;

    // How a Graph error is taken.
    static UploadOutcome outcomeOf(const UploadAnswer &answer);

private:
    QString album(const QueuedJob &job) const;

    ServiceConfig::Facebook m_config;
    UploadLimits m_limits;
};

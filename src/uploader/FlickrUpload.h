#pragma once

#include "uploader/UploadProtocol.h"
#include "webkit/ServiceConfig.h"

#include <QList>
#include <utility>

// Flickr's upload call: a multipart form with api_key, auth_token, the
// caption from the remarks, a machine tag naming the job's photo and api_sig
// over every field but the photo. The machine tag lets a photo interrupted
// mid-send be found on the service again (flickr.photos.search) instead of
// being sent twice.
class FlickrUpload : public UploadProtocol
{
public:
    FlickrUpload(ServiceConfig::Flickr config, UploadLimits limits);

    UploadOutcome send(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName,
                       const QByteArray &bytes) override;
    UploadOutcome findSent(const QueuedJob &job, const QueuedPhoto &photo) override;

    // "flazz:upload=<job>.<seq>".
    static QString machineTag(const QueuedPhoto &photo);
    // MD5 over the secret and the sorted names and values (UTF-8), upper-case hex.
    static QString signature(const QString &secret, QList<std::pair<QString, QString>> fields);

private:
    UploadOutcome outcomeOf(int status, const QByteArray &retryAfter, const QByteArray &body,
                            bool search) const;

    ServiceConfig::Flickr m_config;
    UploadLimits m_limits;
};

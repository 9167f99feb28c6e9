#pragma once

#include "uploader/UploadProtocol.h"
#include "webkit/ServiceConfig.h"

// Dropbox version 1: files_put into the application folder, signed with
// OAuth 1.0 (HMAC-SHA1) in the query string. overwrite=false, so a photo
// whose name is taken arrives as the service's renamed copy ("x (1).jpg")
// and nothing of the user's is ever replaced.
class DropboxUpload : public UploadProtocol
{
public:
    DropboxUpload(ServiceConfig::Dropbox config, UploadLimits limits);

    UploadOutcome send(const QueuedJob &job, const QueuedPhoto &photo, const QString &fileName,
                       const QByteArray &bytes) override;
    // The service takes the same bytes at the same path as no clash and
    // answers the copy it has, so sending again keeps one copy.
    UploadOutcome findSent(const QueuedJob &, const QueuedPhoto &) override
    {
        return {UploadOutcome::Kind::NotFound};
    }

    // The query string (signature last) of a files_put of `path` (already
    // percent-encoded, starting with "/"); `nonce` and `timestamp` given so
    // tests can pin them.
    static QByteArray signedQuery(const ServiceConfig::Dropbox &config, const QString &token,
                                  const QString &tokenSecret, const QByteArray &url, const QByteArray &nonce,
                                  const QByteArray &timestamp);

private:
    ServiceConfig::Dropbox m_config;
    UploadLimits m_limits;
};

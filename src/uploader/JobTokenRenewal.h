#pragma once

#include "uploader/UploadExchange.h"
#include "webkit/Service.h"
#include "webkit/TokenRenewal.h"

#include <QString>

#include <functional>

class UploadContext;
class WebRequest;
struct QueuedJob;

// An upload call's one try at a new access token once the service refused
// the job's as expired: the token another photo of the job renewed
// meanwhile, else one renewed from the refresh token the sign-in keeps in the
// settings, kept for the job's other photos. A sign-in revoked in the
// program (no refresh token left) is not renewed behind its back.
class JobTokenRenewal
{
public:
    using Renew = std::function<RenewedTokens(WebRequest &request, const QString &refreshToken)>;

    // `refreshKey`: the settings key of the service's refresh token.
    JobTokenRenewal(Service service, const char *refreshKey, Renew renew, UploadLimits limits);

    // Replaces `token` and answers true when a new one was had; only the
    // first call tries.
    bool renew(UploadContext *context, const QueuedJob &job, QString &token);
    // Why the try failed; empty when none was made or it worked.
    const QString &failure() const { return m_failure; }

private:
    Service m_service;
    const char *m_refreshKey;
    Renew m_renew;
    UploadLimits m_limits;
    bool m_tried = false;
    QString m_failure;
};

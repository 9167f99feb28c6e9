#include "uploader/JobTokenRenewal.h"

#include "uploader/UploadProtocol.h"
#include "webkit/WebRequest.h"

JobTokenRenewal::JobTokenRenewal(Service service, const char *refreshKey, Renew renew, UploadLimits limits)
    : m_service(service), m_refreshKey(refreshKey), m_renew(std::move(renew)), m_limits(limits)
{
}

bool JobTokenRenewal::renew(UploadContext *context, const QueuedJob &job, QString &token)
{
    if (m_tried)
        return false;
    m_tried = true;
    const QString service = QString::fromUtf16(describe(m_service).displayName);
    if (!context) {
        m_failure = service + u" refused the sign-in; sign in again";
        return false;
    }
    const QString current = context->token(job);
    if (!current.isEmpty() && current != token) {
        token = current;
        return true;
    }
    const QString refresh = context->setting(QString::fromLatin1(m_refreshKey));
    if (refresh.isEmpty()) {
        m_failure = service + u" refused the sign-in and it cannot be renewed; sign in again";
        return false;
    }
    WebRequest request;
    request.setTimeoutMs(m_limits.silenceMs);
    request.setDeadlineMs(m_limits.deadlineFor(0));
    RenewedTokens renewed;
    try {
        renewed = m_renew(request, refresh);
    } catch (const WebRequestError &e) {
        m_failure = e.description();
        return false;
    }
    if (renewed.status != 200 || renewed.accessToken.isEmpty()) {
        m_failure = service + u" refused to renew the sign-in; sign in again";
        return false;
    }
    token = renewed.accessToken;
    context->keepToken(job, token);
    return true;
}

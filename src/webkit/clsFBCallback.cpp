#include "webkit/clsFBCallback.h"

#include "core/AppState.h"

#include <QScopeGuard>

clsFBCallback::clsFBCallback(AppState &state, QObject *parent)
    : QObject(parent), m_state(state), m_request(this)
{
    connect(&m_request, &WebRequest::completed, this, &clsFBCallback::OnReadyStateChange);
}

void clsFBCallback::Post(const QString &url, const QString &body, const QString &method,
                         const QString &contentType, const QString &tag, bool async,
                         const QString &authorization)
{
    // A synchronous Post waits in an event loop; a second Post arriving from
    // there (another click) must not abort the first and take over its tag.
    if (m_request.busy())
        throw WebRequestError(WebRequestError::Kind::Busy,
                              QStringLiteral("Another request is still running on this object"),
                              QStringLiteral("clsFBCallback.Post"));
    m_method = method;
    m_tag = tag;
    m_async = async;
    QString type = contentType;
    if (type.isEmpty())
        type = QStringLiteral("application/x-www-form-urlencoded");
    else if (type == u"blank")
        type = QStringLiteral(""); // sent as an empty header: a null value would leave it out

    m_request.abort();
    m_request.open(method, url, async);
    m_request.setRequestHeader(QStringLiteral("Content-Type"), type);
    m_request.setRequestHeader(QStringLiteral("Content-Length"), QString::number(body.size()));
    if (!authorization.isEmpty())
        m_request.setRequestHeader(QStringLiteral("Authorization"), authorization);

    // The probe itself must go out whatever the last verdict was, or the
    // program could never find its way back online.
    if (m_operation != OperationInternetCheck && !m_state.InternetAvailable) {
        m_request.abort();
        emit Error(m_flag, m_tag);
        return;
    }
    m_request.send(body);
}

void clsFBCallback::OnReadyStateChange()
{
    if (m_request.readyState() != 4)
        return;
    if (const WebRequestError *failure = m_request.failure()) {
        // A synchronous caller gets the failure thrown from Post instead.
        if (!m_async)
            return;
        // Any probe that ends without an answer means offline, a time-out
        // too. Keeping the last verdict instead would leave a network that
        // silently drops everything looking online for good, and every
        // sign-in would then wait out its own time-out before failing.
        if (m_operation == OperationInternetCheck)
            m_state.InternetAvailable = false;
        const WebRequestError copy = *failure;
        emit NoAnswer(m_flag, m_operation, m_tag, copy);
        return;
    }
    const QString text = m_request.responseText();
    if (m_operation == OperationInternetCheck)
        m_state.InternetAvailable = m_request.status() == 400;
    emit Response(text, m_method, m_flag, m_operation, m_tag);
}

std::optional<QString> clsFBCallback::PostForAnswer(const QString &url, const QString &method,
                                                    const QString &contentType)
{
    std::optional<QString> answer;
    const QMetaObject::Connection listening =
        connect(this, &clsFBCallback::Response, this,
                [&answer](const QString &responseText, const QString &, bool, qint32, const QString &) {
                    answer = responseText;
                });
    // This object outlives the call; what it would report later has nowhere to go.
    const auto stopListening = qScopeGuard([&listening] { QObject::disconnect(listening); });
    Post(url, QString(), method, contentType, QString(), false, QString());
    return answer;
}

#pragma once

#include "webkit/WebRequest.h"

#include <QObject>
#include <QString>

#include <optional>

struct AppState;

// One HTTP request whose outcome arrives as signals: the internet probe
// (operation 25, asynchronous) and the permission checks (operation 31,
// synchronous). While the last probe found no connection, every operation
// but the probe is refused with Error() and nothing is sent.
//
// A synchronous Post emits Response() before it returns; a transport
// failure then propagates out of Post as WebRequestError for the caller's
// trap, and a Post made while a synchronous one still waits throws a Busy
// WebRequestError without disturbing it. An asynchronous Post returns at
// once; its Response() comes later on this thread, or NoAnswer() when the
// exchange failed without an answer.
class clsFBCallback : public QObject
{
    Q_OBJECT

public:
    static constexpr qint32 OperationInternetCheck = 25;
    static constexpr qint32 OperationPermissionCheck = 31;

    explicit clsFBCallback(AppState &state, QObject *parent = nullptr);

    qint32 CurrentOperation() const { return m_operation; }
    void setCurrentOperation(qint32 operation) { m_operation = operation; }

    // An empty content type sends "application/x-www-form-urlencoded"; the
    // content type "blank" sends an empty "Content-Type" header. A non-empty
    // authorization is sent as the "Authorization" header.
    void Post(const QString &url, const QString &body, const QString &method, const QString &contentType,
              const QString &tag, bool async, const QString &authorization);

    // A synchronous GET or POST without a body whose answer comes back
    // rather than through Response: nothing when none came. The caller judges
    // it once Post has returned, outside the request's own event handling
    // (where a verdict that signs out or renews must not run).
    std::optional<QString> PostForAnswer(const QString &url, const QString &method,
                                         const QString &contentType);

    // The request object itself, e.g. to shorten its time-out.
    WebRequest &request() { return m_request; }

signals:
    void Response(const QString &responseText, const QString &method, bool flag, qint32 operation,
                  const QString &tag);
    void Error(bool flag, const QString &tag);
    // An asynchronous exchange ended without an answer (refused, unknown
    // host, TLS failure, time-out).
    void NoAnswer(bool flag, qint32 operation, const QString &tag, const WebRequestError &failure);

private:
    void OnReadyStateChange();

    AppState &m_state;
    WebRequest m_request;
    QString m_method;
    QString m_tag;
    bool m_flag = false; // handed back in the signals; nothing sets it
    bool m_async = false;
    qint32 m_operation = 0;
};

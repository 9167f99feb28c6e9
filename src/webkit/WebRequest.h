#pragma once

#include "webkit/ToolkitError.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <utility>

class QEventLoop;
class QNetworkAccessManager;
class QNetworkReply;
namespace pugi {
class xml_document;
}

// Raised by WebRequest::send when no answer came back: refused connection,
// unknown host, TLS failure, time-out. An answer with an error status is not
// a failure; read it through status() and responseText().
class WebRequestError : public ToolkitError
{
public:
    enum class Kind
    {
        Refused,
        HostNotFound,
        Tls,
        Timeout,
        Aborted,
        Other
    };
    static constexpr quint32 Number = 0x800C0005; // "the system cannot locate the resource"

    WebRequestError(Kind kind, const QString &description)
        : ToolkitError(Number, QStringLiteral("WebRequest.send"), description), m_kind(kind)
    {
    }
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

// One HTTP client object, used like the platform's request object: open,
// set headers, send, then read status and answer. A connector keeps one and
// reuses it for one exchange after another.
//
// A synchronous send waits in a local event loop, so windows keep painting
// and answering while the request runs; it returns when the answer is
// complete or throws WebRequestError. An asynchronous send returns at once
// and emits completed() on this thread; a transport failure then shows as
// failed() with status() 0.
//
// Headers go out in the order they were set (a header set to the empty text
// is left out). Method names are compared
// without regard to case. A text body travels as UTF-8, and the body's real
// byte count always replaces a "Content-Length" the caller computed in
// characters. TLS certificates are verified. No request waits for ever: a
// transfer that stays silent for timeoutMs() fails as a time-out.
class WebRequest : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultTimeoutMs = 120000;

    explicit WebRequest(QObject *parent = nullptr);
    ~WebRequest() override;

    void open(const QString &method, const QString &url, bool async = false);
    void setRequestHeader(const QString &name, const QString &value);
    void send();                    // no body at all
    void send(const QString &body); // the text as UTF-8
    void sendBytes(const QByteArray &body);
    // Cancels a running exchange; a synchronous send that was waiting throws
    // a WebRequestError of kind Aborted.
    void abort();

    // 0 before open, 1 opened, 2 sent, 4 complete.
    int readyState() const { return m_readyState; }
    int status() const { return m_status; }
    QString statusText() const { return m_statusText; }
    QString responseText() const;
    QByteArray responseBody() const { return m_body; }
    QString getResponseHeader(const QString &name) const;
    // The answer parsed as XML; an empty document when it is not XML.
    const pugi::xml_document &responseXML() const;

    // True when the last exchange ended without an answer.
    bool failed() const { return m_failure != nullptr; }
    const WebRequestError *failure() const { return m_failure.get(); }

    int timeoutMs() const { return m_timeoutMs; }
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

signals:
    // readyState() reached 4 (also after a failure), asynchronous or not.
    void completed();

private:
    void start(const QByteArray *body);
    void finish(QNetworkReply *reply);
    void reset();

    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_reply;
    QEventLoop *m_loop = nullptr; // the local loop of a synchronous send
    QByteArray m_method;
    QString m_url;
    bool m_async = false;
    int m_timeoutMs = DefaultTimeoutMs;
    QList<std::pair<QByteArray, QByteArray>> m_headers;

    int m_readyState = 0;
    int m_status = 0;
    QString m_statusText;
    QByteArray m_body;
    QList<std::pair<QByteArray, QByteArray>> m_responseHeaders;
    std::unique_ptr<WebRequestError> m_failure;
    mutable std::unique_ptr<pugi::xml_document> m_xml;
};

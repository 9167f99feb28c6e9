#pragma once

#include "webkit/ToolkitError.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>
#include <utility>

class QEventLoop;
class HttpExchange;
namespace pugi {
class xml_document;
}

// Raised by WebRequest when no answer came back: refused connection, unknown
// host, TLS failure, time-out, an answer past the size cap, a redirect that
// was not followed, a compressed answer that does not decompress. An answer
// with an error status is not a failure; read it through status() and
// responseText().
//
// InvalidRequest and Busy are the caller's mistakes, thrown before anything
// travels: a method, header or address the request refuses, or a call that
// would disturb a synchronous send still waiting on the same object.
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
        TooLarge,
        Redirect,
        Decoding,
        InvalidRequest,
        Busy,
        Other
    };
    static constexpr quint32 Number = 0x800C0005;           // "the system cannot locate the resource"
    static constexpr quint32 InvalidArgNumber = 0x80070057; // "the parameter is incorrect"

    WebRequestError(Kind kind, const QString &description, QString source = QStringLiteral("WebRequest.send"))
        : ToolkitError(kind == Kind::InvalidRequest ? InvalidArgNumber : Number, std::move(source),
                       description),
          m_kind(kind)
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
// complete or throws WebRequestError. While it waits, open, setRequestHeader
// and send on the same object throw a Busy error (a second click must not
// tear down the first exchange); abort still cancels it. An asynchronous send
// returns at once and emits completed() on this thread; a transport failure
// then shows as failed() with status() 0.
//
// Headers go out in the order they were set (a header set to the empty text
// is left out); a name or value with CR, LF or NUL, or a name that is not an
// HTTP token, is refused by setRequestHeader with an InvalidRequest error.
// Method names are compared without regard to case. A text body travels as
// UTF-8, and the body's real byte count always replaces a "Content-Length"
// the caller computed in characters. Only http and https addresses are
// fetched. TLS certificates are verified. No cookies are kept.
//
// Everything that comes back is bounded: a transfer that stays silent for
// timeoutMs(), or is not complete within deadlineMs(), fails as a time-out;
// an answer longer than maxAnswerBytes() (after decompression, and before
// it), or whose head is longer than HttpExchange::MaxHeadBytes, fails as
// TooLarge; a malformed length or chunk fails the exchange. gzip and deflate answers are decompressed here
// and a damaged one fails. Redirects are followed up to MaxRedirects times within one origin; to another
// origin "Authorization" is dropped and a body is never sent again (a 307 or 308 that would re-send one
// fails); a redirect from https to http, or to any other scheme, fails.
class WebRequest : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultTimeoutMs = 120000;
    static constexpr int DefaultDeadlineMs = 10 * 60 * 1000;
    static constexpr qint64 DefaultMaxAnswerBytes = qint64(64) * 1024 * 1024;
    static constexpr int MaxRedirects = 10;

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
    // True while a synchronous send waits for its answer.
    bool busy() const { return m_loop != nullptr; }

    // Longest silence within a transfer.
    int timeoutMs() const { return m_timeoutMs; }
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    // Longest time from send to the complete answer, redirects included;
    // 0 or less for none.
    int deadlineMs() const { return m_deadlineMs; }
    void setDeadlineMs(int ms) { m_deadlineMs = ms; }
    qint64 maxAnswerBytes() const { return m_maxAnswerBytes; }
    void setMaxAnswerBytes(qint64 bytes) { m_maxAnswerBytes = bytes; }

signals:
    // readyState() reached 4 (also after a failure), asynchronous or not.
    void completed();

private:
    struct Decoder;

    void start(const QByteArray *body);
    void issue();
    void onHeaders(HttpExchange *exchange);
    void onData(HttpExchange *exchange, const QByteArray &chunk);
    void finish(HttpExchange *exchange);
    void followRedirect(int status, const QByteArray &location);
    void fail(WebRequestError::Kind kind, const QString &description);
    void dropReply();
    void reset();
    QString where() const;
    void refuseWhileBusy(const char *operation) const;

    QPointer<HttpExchange> m_exchange;
    QEventLoop *m_loop = nullptr; // the local loop of a synchronous send
    QTimer m_deadline;
    QByteArray m_method;
    QString m_url;
    bool m_async = false;
    int m_timeoutMs = DefaultTimeoutMs;
    int m_deadlineMs = DefaultDeadlineMs;
    qint64 m_maxAnswerBytes = DefaultMaxAnswerBytes;
    QList<std::pair<QByteArray, QByteArray>> m_headers;

    // The hop in flight: the request as first sent, or as a redirect changed it.
    QUrl m_hopUrl;
    QByteArray m_hopMethod;
    std::optional<QByteArray> m_hopBody;
    QList<std::pair<QByteArray, QByteArray>> m_hopHeaders;
    int m_redirects = 0;
    bool m_hopHeadersSeen = false;
    bool m_hopIsRedirect = false;
    qint64 m_rawBytes = 0;
    std::unique_ptr<Decoder> m_decoder;

    int m_readyState = 0;
    int m_status = 0;
    QString m_statusText;
    QByteArray m_body;
    QList<std::pair<QByteArray, QByteArray>> m_responseHeaders;
    std::unique_ptr<WebRequestError> m_failure;
    mutable std::unique_ptr<pugi::xml_document> m_xml;
};

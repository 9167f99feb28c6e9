#pragma once

#include "webkit/WebRequest.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <optional>
#include <utility>

class QAbstractSocket;

// One HTTP/1.1 request and its answer, on a connection of its own or on one
// that an earlier exchange with the same site left open on this thread.
//
// The answer is judged as it arrives, before anything is kept of it: its
// head (status line and header fields, and the trailers of a chunked body)
// may not exceed MaxHeadBytes, a length or chunk size that is not a plain
// number fails the exchange instead of being read as the end of the body,
// and a connection that ends before the answer is complete fails it too.
// What the body holds, and how much of it is acceptable, is the caller's
// business: it arrives piece by piece through bodyReceived().
//
// Exactly one of finished() and failed() ends an exchange, unless abort()
// ended it first.
class HttpExchange : public QObject
{
    Q_OBJECT

public:
    using Fields = QList<std::pair<QByteArray, QByteArray>>;

    // Far beyond any service's answer, far below what would hurt.
    static constexpr qsizetype MaxHeadBytes = 256 * 1024;

    struct Request
    {
        QUrl url; // http or https
        QByteArray method;
        Fields headers;                 // sent in this order, after Host; null values are left out
        std::optional<QByteArray> body; // none: no body and no Content-Length
        int silenceMs = 120000;         // the longest wait for the next byte either way
    };

    explicit HttpExchange(Request request, QObject *parent = nullptr);
    ~HttpExchange() override;

    void start();
    // Drops the connection; no signal follows.
    void abort();

    int status() const { return m_status; }
    QString reasonPhrase() const { return m_reason; }
    const Fields &headers() const { return m_headers; }
    // The first value of a header field; null when absent.
    QByteArray header(QByteArrayView name) const;

signals:
    // The status line and the header fields are in.
    void headReceived();
    void bodyReceived(const QByteArray &bytes);
    void finished();
    void failed(WebRequestError::Kind kind, const QString &description);

private:
    enum class Stage
    {
        Idle,
        Connecting,
        StatusLine,
        Headers,
        Body,
        ChunkSize,
        ChunkData,
        ChunkEnd,
        Trailers,
        Done,
        Failed
    };
    enum class Framing
    {
        None,
        Length,
        Chunked,
        UntilClose
    };

    void connectSocket();
    void writeRequest();
    void writeMoreBody();
    void onReadyRead();
    void onSocketEnded(bool error, int socketError, const QString &errorText);
    void parse();
    bool takeLine(QByteArray *line, bool head);
    bool readStatusLine(const QByteArray &line);
    bool readHeaderLine(const QByteArray &line, Fields &into);
    bool headComplete();
    bool readChunkSize(const QByteArray &line);
    bool deliver(qint64 count);
    void complete();
    void fail(WebRequestError::Kind kind, const QString &description);
    void releaseSocket(bool keep);
    QString where() const;
    bool alive() const { return m_stage != Stage::Done && m_stage != Stage::Failed; }

    Request m_request;
    QString m_site;
    QAbstractSocket *m_socket = nullptr;
    bool m_reused = false;
    bool m_retried = false;
    bool m_heardBack = false;
    QTimer m_silence;

    Stage m_stage = Stage::Idle;
    Framing m_framing = Framing::None;
    QByteArray m_in;
    qsizetype m_headBytes = 0;
    qint64 m_remaining = 0;
    qint64 m_bodyWritten = 0;
    bool m_requestWritten = false;
    bool m_keepAlive = true;

    int m_status = 0;
    QString m_reason;
    Fields m_headers;
};

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

using StandinPairs = QList<std::pair<QByteArray, QByteArray>>;

// How a service read the bytes of its parameters: most took UTF-8, the old
// form endpoints took the sender's ANSI code page.
enum class StandinCharset
{
    Utf8,
    Windows1252
};

// One part of a multipart/form-data body, bytes as sent.
struct StandinPart
{
    StandinPairs headers; // in the order they arrived
    QByteArray name;      // the Content-Disposition name
    QByteArray filename;  // the Content-Disposition filename; null when the part has none
    QByteArray body;

    QByteArray header(const QByteArray &name) const;
};

// What a stand-in saw of one request, every byte as sent.
struct StandinRequest
{
    QByteArray method;      // as sent, e.g. "GET"
    QByteArray path;        // without the query
    QByteArray query;       // the raw query string after "?", still percent-encoded
    StandinPairs headers;   // in the order they arrived
    QByteArray body;        // the body as sent (chunked transfer framing removed)
    QByteArray requestLine; // e.g. "POST /upload?x=1 HTTP/1.1", without the line end

    // The first value of a header (name compared without regard to case);
    // a null QByteArray when absent, an empty one when sent empty.
    QByteArray header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const;
    QList<QByteArray> headerNames() const;

    // One parameter of the query string or of a form body, percent-decoded
    // ("+" is a blank) and read in `charset`; the first of duplicates; a null
    // QString when absent.
    QString queryValue(const QString &key, StandinCharset charset = StandinCharset::Utf8) const;
    QString formValue(const QString &key, StandinCharset charset = StandinCharset::Utf8) const;

    // Every parameter as sent: raw "key=value" pairs split at "&" and the
    // first "=", still percent-encoded, in order, duplicates kept.
    StandinPairs queryPairs() const;
    StandinPairs formPairs() const;
    // The same pairs, decoded.
    QList<std::pair<QString, QString>> queryParameters(StandinCharset charset = StandinCharset::Utf8) const;
    QList<std::pair<QString, QString>> formParameters(StandinCharset charset = StandinCharset::Utf8) const;

    // The parts of a multipart/form-data body; nothing when the request is
    // not multipart or the body does not follow its boundary exactly (a
    // missing closing delimiter, a part without its CRLF, ...).
    std::optional<QList<StandinPart>> multipart() const;

    static StandinPairs splitPairs(const QByteArray &encoded);
    // The same pairs percent-decoded ("+" is a blank) but kept as bytes, as
    // a signature is computed over them.
    static StandinPairs percentDecodedPairs(const QByteArray &encoded);
    static QString decodeComponent(const QByteArray &encoded, StandinCharset charset);
    static std::optional<QList<StandinPart>> parseMultipart(const QByteArray &body,
                                                            const QByteArray &boundary);
};

// What a stand-in answers.
struct StandinAnswer
{
    int status = 200;
    StandinPairs headers; // e.g. {"Content-Type", "application/json"}
    QByteArray body;
    std::chrono::milliseconds delay{0}; // wait this long before answering
};

// Misbehaviour on demand, for the next `count` requests it applies to (every
// one while `count` is negative). The parts combine: a latency with a
// bandwidth cap answers late and slowly.
struct StandinFaults
{
    std::chrono::milliseconds latency{0}; // added before answering
    qint64 answerBytesPerSecond = 0;      // cap on the answer, 0 for none
    qint64 requestBytesPerSecond = 0;     // cap on reading requests, all connections together; 0 for none
    std::chrono::milliseconds dripInterval{0}; // the answer goes out one `dripBytes` piece per interval
    qint64 dripBytes = 1;
    qint64 truncateBodyAt =
        -1; // the full Content-Length is announced, this many body bytes go, then the connection closes
    bool closeAbruptly = false; // the request is read, then the connection drops without an answer
    qint64 oversizeBy = 0;      // filler bytes appended to the answer's body (past a client's size cap)
    int status = 0;             // answered instead of the script (e.g. 500, 503)
    int retryAfterSeconds = -1; // sent as Retry-After with `status`
    int count = -1;

    bool any() const;

    static StandinFaults unavailable(int retryAfterSeconds, int count = -1);
    static StandinFaults serverError(int status = 500, int count = -1);
};

// A real HTTP/1.1 server on 127.0.0.1, on a free port (or the one given),
// serving from a thread of its own: it records every request byte for byte
// and answers from a script keyed by method and path (unknown ones get 404).
// Connections stay open between requests; request bodies may come with a
// Content-Length or chunked, after "Expect: 100-continue" or not. Safe to
// script and inspect from the test thread while requests arrive. Services'
// stand-ins build on it by scripting their endpoints.
class StandinServer
{
public:
    using Handler = std::function<StandinAnswer(const StandinRequest &)>;
    // Called on the server's thread once an answer has gone out (or the
    // connection was dropped on purpose, status 0).
    using Listener = std::function<void(const StandinRequest &, int status)>;

    explicit StandinServer(quint16 port = 0);
    ~StandinServer();
    StandinServer(const StandinServer &) = delete;
    StandinServer &operator=(const StandinServer &) = delete;

    int port() const;
    // "http://127.0.0.1:<port>", the base to put into a ServiceConfig.
    QString baseUrl() const;

    // Answers every `method` request for `path` (method compared without
    // regard to case; "*" for any method) with `answer`, or with what
    // `handler` returns.
    void answer(const QByteArray &method, const QByteArray &path, StandinAnswer answer);
    void answer(const QByteArray &method, const QByteArray &path, Handler handler);
    // Answers every path that starts with `prefix`. An exact route wins over
    // a prefix, a longer prefix over a shorter one.
    void answerPrefix(const QByteArray &method, const QByteArray &prefix, StandinAnswer answer);
    void answerPrefix(const QByteArray &method, const QByteArray &prefix, Handler handler);

    // Faults for every request, or only for paths starting with
    // `pathPrefix` (these win over the server's). Default faults clear them.
    void setFaults(const StandinFaults &faults);
    void setFaults(const QByteArray &pathPrefix, const StandinFaults &faults);
    void clearFaults();
    StandinFaults faults() const; // the server-wide ones, `count` as left

    QList<StandinRequest> requests() const;
    // Waits, letting the calling thread's events run, until `count` requests
    // have arrived; false when `timeoutMs` passed first.
    bool waitForRequests(qsizetype count, int timeoutMs = 5000) const;
    qsizetype requestCount() const;
    qint64 requestBytes() const;        // of every request counted by requestCount()
    StandinRequest lastRequest() const; // empty when none came
    void clearRequests();
    // Keeps only the last `count` requests (a long-running sandbox must not
    // hold every upload in memory); negative keeps all, the default.
    void setRecordLimit(qsizetype count);
    void setListener(Listener listener);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

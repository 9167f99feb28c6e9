#pragma once

#include "sandbox/StandinFaults.h"
#include "sandbox/StandinRequest.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

// What a stand-in answers.
struct StandinAnswer
{
    int status = 200;
    StandinPairs headers; // e.g. {"Content-Type", "application/json"}
    QByteArray body;
    std::chrono::milliseconds delay{0}; // wait this long before answering, as a slow service did
};

// A real HTTP/1.1 server on 127.0.0.1, on a free port (or the one given),
// serving from a thread of its own: it records every request byte for byte
// and answers from a script keyed by method and path (unknown ones get 404).
// Connections stay open between requests; request bodies may come with a
// Content-Length or chunked, after "Expect: 100-continue" or not. Safe to
// script and inspect from the test thread while requests arrive. Services'
// stand-ins build on it by scripting their endpoints.
//
// It answers only requests addressed to itself (Host 127.0.0.1:<port> or
// localhost:<port>), so that a web page whose name was pointed at the
// loopback cannot read it: others get 421.
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
    // Keeps only the last `count` requests, and of each at most the first
    // `bodyBytes` of its body (a long-running sandbox must not hold every
    // upload in memory); negative keeps all, the default. Handlers always
    // see the whole body.
    void setRecordLimit(qsizetype count, qint64 bodyBytes = -1);
    void setListener(Listener listener);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

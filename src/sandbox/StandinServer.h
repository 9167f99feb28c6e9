#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>

// What a stand-in saw of one request.
struct StandinRequest
{
    QByteArray method;                                // as sent, e.g. "GET"
    QByteArray path;                                  // without the query
    QByteArray query;                                 // the raw query string after "?", still percent-encoded
    QList<std::pair<QByteArray, QByteArray>> headers; // in the order they arrived
    QByteArray body;

    // The first value of a header (name compared without regard to case);
    // a null QByteArray when absent, an empty one when sent empty.
    QByteArray header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const;
    QList<QByteArray> headerNames() const;

    // One parameter of the query string or of a form body, percent-decoded
    // ("+" is a blank); a null QString when absent.
    QString queryValue(const QString &key) const;
    QString formValue(const QString &key) const;
};

// What a stand-in answers.
struct StandinAnswer
{
    int status = 200;
    QList<std::pair<QByteArray, QByteArray>> headers; // e.g. {"Content-Type", "application/json"}
    QByteArray body;
    std::chrono::milliseconds delay{0}; // wait this long before answering
};

// A real HTTP server on 127.0.0.1, on a free port, serving from a background
// thread: it records every request and answers from a script keyed by method
// and path (unknown ones get 404). Safe to script and inspect from the test
// thread while requests arrive. Services' stand-ins build on it by scripting
// their endpoints.
class StandinServer
{
public:
    using Handler = std::function<StandinAnswer(const StandinRequest &)>;

    StandinServer();
    ~StandinServer();
    StandinServer(const StandinServer &) = delete;
    StandinServer &operator=(const StandinServer &) = delete;

    int port() const;
    // "http://127.0.0.1:<port>", the base to put into a ServiceConfig.
    QString baseUrl() const;

    // Answers every `method` request for `path` (method compared without
    // regard to case) with `answer`, or with what `handler` returns.
    void answer(const QByteArray &method, const QByteArray &path, StandinAnswer answer);
    void answer(const QByteArray &method, const QByteArray &path, Handler handler);
    // Answers every path that starts with `prefix`. An exact route wins over
    // a prefix, a longer prefix over a shorter one.
    void answerPrefix(const QByteArray &method, const QByteArray &prefix, Handler handler);

    QList<StandinRequest> requests() const;
    // Waits, letting the calling thread's events run, until `count` requests
    // have arrived; false when `timeoutMs` passed first.
    bool waitForRequests(qsizetype count, int timeoutMs = 5000) const;
    qsizetype requestCount() const;
    StandinRequest lastRequest() const; // empty when none came
    void clearRequests();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

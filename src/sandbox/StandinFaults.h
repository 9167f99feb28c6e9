#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

// Misbehaviour on demand, for the next `count` requests it applies to (every
// one while `count` is negative). The parts combine: a latency with a
// bandwidth cap answers late and slowly.
struct StandinFaults
{
    std::chrono::milliseconds latency{0}; // added once the request was handled, before the answer goes
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
    QByteArray method;          // only requests of this method (e.g. "PUT"); empty for every method
    int count = -1;

    bool any() const;
    bool appliesTo(const QByteArray &requestMethod) const;
    // What a person reads on the sandbox page: "none", or the parts that are on.
    QString describe() const;

    static StandinFaults unavailable(int retryAfterSeconds, int count = -1);
    static StandinFaults serverError(int status = 500, int count = -1);
    // The answers (to `method` requests only, when given) come `latency`
    // late, after the request was handled: a sender that gives up meanwhile
    // leaves behind what the service kept.
    static StandinFaults late(std::chrono::milliseconds latency, const QByteArray &method = {},
                              int count = -1);
};

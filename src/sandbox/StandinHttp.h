#pragma once

#include "sandbox/StandinRequest.h"

#include <QByteArray>

#include <functional>

// The HTTP/1.1 wire of one connection: requests read one after another from
// the bytes as they come (Content-Length or chunked bodies), and the head of
// each answer. Nothing here touches a socket, so the server decides when
// bytes are read and how fast.
class StandinRequestReader
{
public:
    enum class Step
    {
        More,    // everything in hand was taken; more bytes are needed
        Head,    // the head is read: the request's method, path and headers are known
        Request, // the request is whole; take() it, then reset() for the next
        Refused  // the bytes are no HTTP request we read; refusal() says which status
    };

    // Says how many of `wanted` body bytes may be taken now.
    using Budget = std::function<qint64(qint64 wanted)>;

    // Takes what it can from the front of `in`, within `budget` for body
    // bytes (no limit when empty), and says how far it got. Once it said
    // Head it goes on with the body at the next call.
    Step read(QByteArray &in, const Budget &budget = {});
    const StandinRequest &request() const { return m_request; }
    StandinRequest take() { return std::move(m_request); }
    void reset();

    // Between requests, with nothing of the next one read yet.
    bool idle() const { return m_stage == Stage::Head; }
    bool hasBody() const { return m_hasBody; }
    bool keepAlive() const { return m_keepAlive; }
    bool http10() const { return m_http10; }
    int refusal() const { return m_refusal; }

    // The longest head and body it reads; longer ones are refused (431, 413).
    static constexpr qsizetype kMaxHead = 64 * 1024;
    static constexpr qint64 kMaxBody = qint64(512) * 1024 * 1024;

private:
    enum class Stage
    {
        Head,
        Body,
        ChunkSize,
        ChunkData,
        ChunkTrailer,
        Done
    };

    Step parseHead(const QByteArray &head);
    Step refuse(int status);
    qint64 take(QByteArray &in, qint64 wanted, const Budget &budget);

    Stage m_stage = Stage::Head;
    StandinRequest m_request;
    qint64 m_left = 0; // of the body, or of the chunk being read
    bool m_hasBody = false;
    bool m_keepAlive = true;
    bool m_http10 = false;
    int m_refusal = 0;
};

namespace StandinHttp {

QByteArray reasonPhrase(int status);
// Whether `value` (a comma-separated header value) lists `token`.
bool hasToken(const QByteArray &value, const QByteArray &token);
// The status line and headers of an answer with `bodySize` bytes, the
// framing headers set by the server whatever `headers` say.
QByteArray answerHead(int status, const StandinPairs &headers, qint64 bodySize, bool keepAlive, bool http10);
// Whether an answer of `status` carries no body.
bool bodyless(int status);

} // namespace StandinHttp

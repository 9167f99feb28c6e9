#include "sandbox/StandinHttp.h"

#include <algorithm>

using Step = StandinRequestReader::Step;

void StandinRequestReader::reset()
{
    *this = StandinRequestReader();
}

Step StandinRequestReader::refuse(int status)
{
    m_refusal = status;
    m_keepAlive = false;
    m_stage = Stage::Done;
    return Step::Refused;
}

qint64 StandinRequestReader::take(QByteArray &in, qint64 wanted, const Budget &budget)
{
    qint64 n = std::min<qint64>(wanted, in.size());
    // Pacing counts what is taken here, not what the socket delivered: bytes
    // already buffered when the head arrived are paced too.
    if (budget && n > 0)
        n = budget(n);
    m_request.body.append(in.constData(), n);
    in.remove(0, n);
    return n;
}

Step StandinRequestReader::read(QByteArray &in, const Budget &budget)
{
    for (;;) {
        switch (m_stage) {
        case Stage::Head: {
            const qsizetype end = in.indexOf("\r\n\r\n");
            if (end < 0)
                return in.size() > kMaxHead ? refuse(431) : Step::More;
            const QByteArray head = in.left(end);
            in.remove(0, end + 4);
            return parseHead(head);
        }
        case Stage::Body:
            m_left -= take(in, m_left, budget);
            if (m_left > 0)
                return Step::More;
            m_stage = Stage::Done;
            return Step::Request;
        case Stage::ChunkSize: {
            const qsizetype end = in.indexOf("\r\n");
            if (end < 0)
                return in.size() > 1024 ? refuse(400) : Step::More;
            QByteArray line = in.left(end);
            in.remove(0, end + 2);
            const qsizetype ext = line.indexOf(';');
            if (ext >= 0)
                line.truncate(ext);
            bool ok = false;
            const qint64 size = line.trimmed().toLongLong(&ok, 16);
            if (!ok || size < 0 || m_request.body.size() + size > kMaxBody)
                return refuse(ok ? 413 : 400);
            m_left = size;
            m_stage = size == 0 ? Stage::ChunkTrailer : Stage::ChunkData;
            break;
        }
        case Stage::ChunkData:
            m_left -= take(in, m_left, budget);
            if (m_left > 0 || in.size() < 2)
                return Step::More;
            if (!in.startsWith("\r\n"))
                return refuse(400);
            in.remove(0, 2);
            m_stage = Stage::ChunkSize;
            break;
        case Stage::ChunkTrailer: {
            const qsizetype end = in.indexOf("\r\n");
            if (end < 0)
                return in.size() > kMaxHead ? refuse(431) : Step::More;
            in.remove(0, end + 2);
            if (end == 0) {
                m_stage = Stage::Done;
                return Step::Request;
            }
            break;
        }
        case Stage::Done:
            return Step::More;
        }
    }
}

Step StandinRequestReader::parseHead(const QByteArray &head)
{
    m_request = StandinRequest();
    const QList<QByteArray> lines = head.split('\n');
    QByteArray requestLine = lines.value(0);
    if (requestLine.endsWith('\r'))
        requestLine.chop(1);
    const QList<QByteArray> parts = requestLine.split(' ');
    if (parts.size() != 3 || parts[0].isEmpty() || parts[1].isEmpty() || !parts[2].startsWith("HTTP/1."))
        return refuse(400);
    m_request.requestLine = requestLine;
    m_request.method = parts[0];
    QByteArray target = parts[1];
    if (!target.startsWith('/')) {
        // The absolute form a proxy would see: its authority stands for Host.
        const qsizetype scheme = target.indexOf("://");
        const qsizetype slash = scheme < 0 ? -1 : target.indexOf('/', scheme + 3);
        if (scheme >= 0)
            m_request.authority = target.mid(scheme + 3, slash < 0 ? -1 : slash - scheme - 3);
        target = slash < 0 ? QByteArray("/") : target.mid(slash);
    }
    const qsizetype q = target.indexOf('?');
    m_request.path = q < 0 ? target : target.left(q);
    m_request.query = q < 0 ? QByteArray() : target.mid(q + 1);
    m_http10 = parts[2] == "HTTP/1.0";

    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(':');
        if (line.startsWith(' ') || line.startsWith('\t') || colon <= 0)
            return refuse(400);
        const QByteArray name = line.left(colon);
        if (name.contains(' ') || name.contains('\t'))
            return refuse(400);
        m_request.headers.append({name, line.mid(colon + 1).trimmed()});
    }
    if (m_request.authority.isNull())
        m_request.authority = m_request.header("Host");

    const QByteArray connection = m_request.header("Connection");
    m_keepAlive = m_http10 ? StandinHttp::hasToken(connection, "keep-alive")
                           : !StandinHttp::hasToken(connection, "close");

    const QByteArray encoding = m_request.header("Transfer-Encoding");
    if (!encoding.isNull()) {
        if (!encoding.trimmed().toLower().endsWith("chunked"))
            return refuse(501);
        m_stage = Stage::ChunkSize;
        m_hasBody = true;
        return Step::Head;
    }
    QByteArray length;
    for (const auto &[name, value] : std::as_const(m_request.headers)) {
        if (name.compare("Content-Length", Qt::CaseInsensitive) != 0)
            continue;
        if (!length.isNull() && length != value)
            return refuse(400);
        length = value;
    }
    bool ok = true;
    const qint64 size = length.isNull() ? 0 : length.toLongLong(&ok);
    if (!ok || size < 0)
        return refuse(400);
    if (size > kMaxBody)
        return refuse(413);
    m_left = size;
    m_request.body.reserve(std::min<qint64>(size, 8 * 1024 * 1024)); // a claim is not yet bytes
    m_stage = Stage::Body;
    m_hasBody = size > 0;
    return Step::Head;
}

namespace StandinHttp {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 100:
        return "Continue";
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 307:
        return "Temporary Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 411:
        return "Length Required";
    case 413:
        return "Content Too Large";
    case 415:
        return "Unsupported Media Type";
    case 421:
        return "Misdirected Request";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return "Status";
    }
}

bool hasToken(const QByteArray &value, const QByteArray &token)
{
    for (const QByteArray &part : value.split(',')) {
        if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool bodyless(int status)
{
    return status == 204 || status == 304 || status < 200;
}

QByteArray answerHead(int status, const StandinPairs &headers, qint64 bodySize, bool keepAlive, bool http10)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    bool typed = false;
    for (const auto &[name, value] : headers) {
        // The server owns the framing.
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0 ||
            name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0 ||
            name.compare("Connection", Qt::CaseInsensitive) == 0)
            continue;
        typed = typed || name.compare("Content-Type", Qt::CaseInsensitive) == 0;
        out += name + ": " + value + "\r\n";
    }
    if (!bodyless(status)) {
        if (!typed)
            out += "Content-Type: text/plain\r\n";
        out += "Content-Length: " + QByteArray::number(bodySize) + "\r\n";
    }
    if (!keepAlive)
        out += "Connection: close\r\n";
    else if (http10)
        out += "Connection: keep-alive\r\n";
    return out + "\r\n";
}

} // namespace StandinHttp

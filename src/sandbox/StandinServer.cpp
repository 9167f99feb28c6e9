#include "sandbox/StandinServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QtDebug>

#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Limits that keep a hostile or broken client from eating the machine.
constexpr qsizetype kMaxHead = 64 * 1024;
constexpr qint64 kMaxBody = qint64(512) * 1024 * 1024;
constexpr qint64 kWriteChunk = 64 * 1024;
constexpr int kPaceMs = 20;
constexpr int kIdleMs = 120 * 1000;

struct Route
{
    QByteArray method;
    QByteArray path;
    StandinServer::Handler handler;
};

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

// What the server's thread and its callers share, under `mutex`.
struct ServerState
{
    using Handler = StandinServer::Handler;
    using Listener = StandinServer::Listener;

    mutable std::mutex mutex;
    std::map<std::pair<QByteArray, QByteArray>, Handler> exact;
    std::vector<Route> prefixes;
    StandinFaults serverFaults;
    std::vector<std::pair<QByteArray, StandinFaults>> pathFaults;
    QList<StandinRequest> seen;
    qsizetype received = 0;
    qint64 receivedBytes = 0; // heads and bodies, as on the wire but for chunk framing
    qsizetype recordLimit = -1;
    Listener listener;
    // The request-reading cap stands for the client's uplink, so every
    // connection draws on one budget: opening more connections buys no
    // more bandwidth, as on a real link.
    double upstreamTokens = 0;
    std::chrono::steady_clock::time_point upstreamRefilled{};

    Handler route(const QByteArray &method, const QByteArray &path) const;
    StandinFaults takeFaults(const QByteArray &path);
    void record(const StandinRequest &request);
    void notify(const StandinRequest &request, int status);
    qint64 takeUpstream(qint64 bytesPerSecond, qint64 wanted);
};

StandinServer::Handler ServerState::route(const QByteArray &method, const QByteArray &path) const
{
    std::lock_guard lock(mutex);
    for (const QByteArray &m : {method, QByteArray("*")}) {
        const auto it = exact.find({m, path});
        if (it != exact.end())
            return it->second;
    }
    const Route *best = nullptr;
    for (const Route &r : prefixes) {
        if ((r.method == method || r.method == "*") && path.startsWith(r.path) &&
            (!best || r.path.size() > best->path.size()))
            best = &r;
    }
    return best ? best->handler : Handler();
}

StandinFaults ServerState::takeFaults(const QByteArray &path)
{
    std::lock_guard lock(mutex);
    StandinFaults *chosen = nullptr;
    qsizetype chosenLength = -1;
    for (auto &[prefix, faults] : pathFaults) {
        if (faults.any() && faults.count != 0 && path.startsWith(prefix) && prefix.size() > chosenLength) {
            chosen = &faults;
            chosenLength = prefix.size();
        }
    }
    if (!chosen && serverFaults.any() && serverFaults.count != 0)
        chosen = &serverFaults;
    if (!chosen)
        return {};
    StandinFaults taken = *chosen;
    if (chosen->count > 0 && --chosen->count == 0)
        *chosen = StandinFaults();
    return taken;
}

void ServerState::record(const StandinRequest &request)
{
    std::lock_guard lock(mutex);
    seen.append(request);
    ++received;
    receivedBytes += request.requestLine.size() + 4 + request.body.size();
    for (const auto &[name, value] : request.headers)
        receivedBytes += name.size() + 2 + value.size() + 2;
    if (recordLimit >= 0) {
        while (seen.size() > recordLimit)
            seen.removeFirst();
    }
}

qint64 ServerState::takeUpstream(qint64 bytesPerSecond, qint64 wanted)
{
    std::lock_guard lock(mutex);
    const auto now = std::chrono::steady_clock::now();
    // At most one pacing tick's worth piles up while nobody reads.
    const double burst = std::max(1.0, double(bytesPerSecond) * kPaceMs / 1000.0);
    if (upstreamRefilled == std::chrono::steady_clock::time_point{}) {
        upstreamTokens = burst;
    } else {
        const double seconds = std::chrono::duration<double>(now - upstreamRefilled).count();
        upstreamTokens = std::min(burst, upstreamTokens + seconds * double(bytesPerSecond));
    }
    upstreamRefilled = now;
    const qint64 take = std::min<qint64>(wanted, qint64(upstreamTokens));
    upstreamTokens -= double(take);
    return take;
}

void ServerState::notify(const StandinRequest &request, int status)
{
    Listener copy;
    {
        std::lock_guard lock(mutex);
        copy = listener;
    }
    if (copy)
        copy(request, status);
}

// One client connection: reads requests one after another (pipelined ones
// wait in the buffer until the answer before them is queued), answers each
// in order and applies the faults chosen for it.
class Connection : public QObject
{
public:
    Connection(ServerState &impl, QTcpSocket *socket, QObject *parent);

private:
    enum class Stage
    {
        Head,
        Body,
        ChunkSize,
        ChunkData,
        ChunkTrailer,
        Answering
    };

    void pull();
    void process();
    bool parseHead(const QByteArray &head);
    void dispatch();
    void send(const StandinAnswer &answer);
    void pump();
    void finishAnswer();
    void refuse(int status);
    void startReadPacing();
    qint64 takeable(qint64 wanted);

    ServerState &m_impl;
    QTcpSocket *m_socket;
    QByteArray m_in;
    Stage m_stage = Stage::Head;
    StandinRequest m_request;
    StandinFaults m_faults;
    qint64 m_bodyLeft = 0;
    qint64 m_chunkLeft = 0;
    bool m_keepAlive = true;
    bool m_http10 = false;

    bool m_readPaced = false; // the body is taken at the pace of the server's upstream budget
    QTimer m_readTimer;

    QByteArray m_out;
    qint64 m_outPos = 0;
    qint64 m_outEnd = 0;
    bool m_closeAfterAnswer = false;
    qint64 m_paceBytes = 0; // per tick of m_writeTimer; 0 when unpaced
    QTimer m_writeTimer;
    QTimer m_idleTimer;
};

Connection::Connection(ServerState &impl, QTcpSocket *socket, QObject *parent)
    : QObject(parent), m_impl(impl), m_socket(socket)
{
    m_socket->setParent(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &Connection::pull);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_paceBytes == 0)
            pump();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError)
            deleteLater();
    });
    m_readTimer.setInterval(kPaceMs);
    connect(&m_readTimer, &QTimer::timeout, this, &Connection::pull);
    connect(&m_writeTimer, &QTimer::timeout, this, &Connection::pump);
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(kIdleMs);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] {
        if (m_stage == Stage::Head && m_in.isEmpty())
            m_socket->disconnectFromHost();
        else
            m_idleTimer.start();
    });
    m_idleTimer.start();
    pull();
}

void Connection::pull()
{
    m_idleTimer.start();
    const bool paced = m_readPaced && m_stage != Stage::Head && m_stage != Stage::Answering;
    if (paced) {
        // Keep little in hand, so that the kernel holds the sender back.
        const qint64 room = 2 * m_socket->readBufferSize() - m_in.size();
        if (room > 0)
            m_in.append(m_socket->read(room));
    } else {
        m_in.append(m_socket->readAll());
    }
    process();
}

qint64 Connection::takeable(qint64 wanted)
{
    qint64 take = std::min<qint64>(wanted, m_in.size());
    // Pacing counts what the request parser takes, not what the socket
    // delivered: bytes already buffered when the head arrived are paced too.
    if (m_readPaced && take > 0)
        take = m_impl.takeUpstream(m_faults.requestBytesPerSecond, take);
    return take;
}

void Connection::process()
{
    for (;;) {
        switch (m_stage) {
        case Stage::Head: {
            const qsizetype end = m_in.indexOf("\r\n\r\n");
            if (end < 0) {
                if (m_in.size() > kMaxHead)
                    refuse(431);
                return;
            }
            const QByteArray head = m_in.left(end);
            m_in.remove(0, end + 4);
            if (!parseHead(head))
                return;
            break;
        }
        case Stage::Body: {
            const qint64 take = takeable(m_bodyLeft);
            m_request.body.append(m_in.constData(), take);
            m_in.remove(0, take);
            m_bodyLeft -= take;
            if (m_bodyLeft > 0)
                return; // more arrives with readyRead, or with the read timer when paced
            dispatch();
            break;
        }
        case Stage::ChunkSize: {
            const qsizetype end = m_in.indexOf("\r\n");
            if (end < 0) {
                if (m_in.size() > 1024)
                    refuse(400);
                return;
            }
            QByteArray line = m_in.left(end);
            m_in.remove(0, end + 2);
            const qsizetype ext = line.indexOf(';');
            if (ext >= 0)
                line.truncate(ext);
            bool ok = false;
            const qint64 size = line.trimmed().toLongLong(&ok, 16);
            if (!ok || size < 0 || m_request.body.size() + size > kMaxBody) {
                refuse(ok ? 413 : 400);
                return;
            }
            m_chunkLeft = size;
            m_stage = size == 0 ? Stage::ChunkTrailer : Stage::ChunkData;
            break;
        }
        case Stage::ChunkData: {
            const qint64 take = takeable(m_chunkLeft);
            m_request.body.append(m_in.constData(), take);
            m_in.remove(0, take);
            m_chunkLeft -= take;
            if (m_chunkLeft > 0 || m_in.size() < 2)
                return;
            if (!m_in.startsWith("\r\n")) {
                refuse(400);
                return;
            }
            m_in.remove(0, 2);
            m_stage = Stage::ChunkSize;
            break;
        }
        case Stage::ChunkTrailer: {
            const qsizetype end = m_in.indexOf("\r\n");
            if (end < 0) {
                if (m_in.size() > kMaxHead)
                    refuse(431);
                return;
            }
            m_in.remove(0, end + 2);
            if (end == 0)
                dispatch();
            break;
        }
        case Stage::Answering:
            return;
        }
    }
}

bool Connection::parseHead(const QByteArray &head)
{
    m_request = StandinRequest();
    const QList<QByteArray> lines = head.split('\n');
    QByteArray requestLine = lines.value(0);
    if (requestLine.endsWith('\r'))
        requestLine.chop(1);
    const QList<QByteArray> parts = requestLine.split(' ');
    if (parts.size() != 3 || parts[0].isEmpty() || parts[1].isEmpty() || !parts[2].startsWith("HTTP/1.")) {
        refuse(400);
        return false;
    }
    m_request.requestLine = requestLine;
    m_request.method = parts[0];
    QByteArray target = parts[1];
    if (!target.startsWith('/')) {
        // The absolute form a proxy would see: keep the path and query.
        const qsizetype scheme = target.indexOf("://");
        const qsizetype slash = scheme < 0 ? -1 : target.indexOf('/', scheme + 3);
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
        if (line.startsWith(' ') || line.startsWith('\t') || colon <= 0) {
            refuse(400);
            return false;
        }
        const QByteArray name = line.left(colon);
        if (name.contains(' ') || name.contains('\t')) {
            refuse(400);
            return false;
        }
        m_request.headers.append({name, line.mid(colon + 1).trimmed()});
    }

    const QByteArray connection = m_request.header("Connection");
    m_keepAlive = m_http10 ? hasToken(connection, "keep-alive") : !hasToken(connection, "close");

    m_faults = m_impl.takeFaults(m_request.path);

    const QByteArray encoding = m_request.header("Transfer-Encoding");
    bool hasBody = false;
    if (!encoding.isNull()) {
        if (!encoding.trimmed().toLower().endsWith("chunked")) {
            refuse(501);
            return false;
        }
        m_stage = Stage::ChunkSize;
        hasBody = true;
    } else {
        QByteArray length;
        for (const auto &h : m_request.headers) {
            if (h.first.compare("Content-Length", Qt::CaseInsensitive) != 0)
                continue;
            if (!length.isNull() && length != h.second) {
                refuse(400);
                return false;
            }
            length = h.second;
        }
        bool ok = true;
        const qint64 size = length.isNull() ? 0 : length.toLongLong(&ok);
        if (!ok || size < 0) {
            refuse(400);
            return false;
        }
        if (size > kMaxBody) {
            refuse(413);
            return false;
        }
        m_bodyLeft = size;
        m_request.body.reserve(std::min<qint64>(size, 8 * 1024 * 1024)); // a claim is not yet bytes
        m_stage = Stage::Body;
        hasBody = size > 0;
    }
    if (hasBody && hasToken(m_request.header("Expect"), "100-continue"))
        m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
    if (hasBody && m_faults.requestBytesPerSecond > 0)
        startReadPacing();
    return true;
}

void Connection::startReadPacing()
{
    m_readPaced = true;
    // A small buffer makes the kernel push back on the sender.
    m_socket->setReadBufferSize(std::max<qint64>(1, m_faults.requestBytesPerSecond * kPaceMs / 1000));
    m_readTimer.start();
}

void Connection::dispatch()
{
    m_stage = Stage::Answering;
    if (m_readPaced) {
        m_readTimer.stop();
        m_readPaced = false;
        m_socket->setReadBufferSize(0);
    }
    m_impl.record(m_request);

    if (m_faults.closeAbruptly) {
        m_impl.notify(m_request, 0);
        m_socket->abort();
        deleteLater();
        return;
    }

    StandinAnswer answer;
    if (m_faults.status != 0) {
        answer.status = m_faults.status;
        if (m_faults.retryAfterSeconds >= 0)
            answer.headers.append({"Retry-After", QByteArray::number(m_faults.retryAfterSeconds)});
        answer.body = reasonPhrase(m_faults.status);
    } else {
        const QByteArray method = m_request.method.toUpper();
        StandinServer::Handler handler = m_impl.route(method, m_request.path);
        if (!handler && method == "HEAD")
            handler = m_impl.route("GET", m_request.path);
        if (handler) {
            try {
                answer = handler(m_request);
            } catch (const std::exception &e) {
                answer = StandinAnswer{500, {}, QByteArray("stand-in handler failed: ") + e.what()};
            }
        } else {
            answer.status = 404;
            answer.body = "no stand-in answer for " + m_request.method + ' ' + m_request.path;
        }
    }
    if (m_faults.oversizeBy > 0)
        answer.body.append(QByteArray(m_faults.oversizeBy, ' '));
    const auto delay = answer.delay + m_faults.latency;
    if (delay.count() > 0)
        QTimer::singleShot(delay, this, [this, answer] { send(answer); });
    else
        send(answer);
}

void Connection::send(const StandinAnswer &answer)
{
    const bool head = m_request.method.compare("HEAD", Qt::CaseInsensitive) == 0;
    const bool bodyless = answer.status == 204 || answer.status == 304 || answer.status < 200;
    QByteArray out =
        "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reasonPhrase(answer.status) + "\r\n";
    bool typed = false;
    for (const auto &[name, value] : answer.headers) {
        // The server owns the framing.
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0 ||
            name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0 ||
            name.compare("Connection", Qt::CaseInsensitive) == 0)
            continue;
        typed = typed || name.compare("Content-Type", Qt::CaseInsensitive) == 0;
        out += name + ": " + value + "\r\n";
    }
    if (!bodyless) {
        if (!typed)
            out += "Content-Type: text/plain\r\n";
        out += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
    }
    if (!m_keepAlive)
        out += "Connection: close\r\n";
    else if (m_http10)
        out += "Connection: keep-alive\r\n";
    out += "\r\n";
    const qint64 headSize = out.size();
    if (!head && !bodyless)
        out += answer.body;

    m_out = std::move(out);
    m_outPos = 0;
    m_outEnd = m_out.size();
    m_closeAfterAnswer = !m_keepAlive;
    if (m_faults.truncateBodyAt >= 0 && headSize + m_faults.truncateBodyAt < m_outEnd) {
        m_outEnd = headSize + m_faults.truncateBodyAt;
        m_closeAfterAnswer = true;
    }
    if (m_faults.dripInterval.count() > 0) {
        m_paceBytes = std::max<qint64>(1, m_faults.dripBytes);
        m_writeTimer.start(m_faults.dripInterval);
    } else if (m_faults.answerBytesPerSecond > 0) {
        m_paceBytes = std::max<qint64>(1, m_faults.answerBytesPerSecond * kPaceMs / 1000);
        m_writeTimer.start(kPaceMs);
    } else {
        m_paceBytes = 0;
    }
    m_impl.notify(m_request, answer.status);
    pump();
}

void Connection::pump()
{
    if (m_stage != Stage::Answering || m_outPos >= m_outEnd)
        return;
    if (m_paceBytes > 0) {
        const qint64 n = std::min(m_paceBytes, m_outEnd - m_outPos);
        m_socket->write(m_out.constData() + m_outPos, n);
        m_outPos += n;
    } else {
        // Hand the socket a little at a time so that a large answer never
        // sits whole in a second buffer and other connections keep their turn.
        while (m_outPos < m_outEnd && m_socket->bytesToWrite() < 2 * kWriteChunk) {
            const qint64 n = std::min(kWriteChunk, m_outEnd - m_outPos);
            m_socket->write(m_out.constData() + m_outPos, n);
            m_outPos += n;
        }
    }
    if (m_outPos >= m_outEnd)
        finishAnswer();
}

void Connection::finishAnswer()
{
    m_writeTimer.stop();
    m_paceBytes = 0;
    m_out.clear();
    m_outPos = m_outEnd = 0;
    if (m_closeAfterAnswer) {
        m_socket->disconnectFromHost();
        return;
    }
    m_stage = Stage::Head;
    m_faults = StandinFaults();
    // A pipelined request may already be waiting; let the event loop breathe
    // first so one client cannot hold the thread.
    QTimer::singleShot(0, this, [this] {
        if (m_stage == Stage::Head)
            pull();
    });
}

void Connection::refuse(int status)
{
    m_stage = Stage::Answering;
    m_keepAlive = false;
    m_faults = StandinFaults();
    m_in.clear();
    send(StandinAnswer{status, {}, reasonPhrase(status), {}});
}

} // namespace

struct StandinServer::Impl : ServerState
{
    QThread thread;
    QObject *engine = nullptr; // lives on `thread`, parent of the listening socket and every connection
    quint16 port = 0;
};

bool StandinFaults::any() const
{
    return latency.count() > 0 || answerBytesPerSecond > 0 || requestBytesPerSecond > 0 ||
           dripInterval.count() > 0 || truncateBodyAt >= 0 || closeAbruptly || oversizeBy > 0 || status != 0;
}

StandinFaults StandinFaults::unavailable(int retryAfterSeconds, int count)
{
    StandinFaults f;
    f.status = 503;
    f.retryAfterSeconds = retryAfterSeconds;
    f.count = count;
    return f;
}

StandinFaults StandinFaults::serverError(int status, int count)
{
    StandinFaults f;
    f.status = status;
    f.count = count;
    return f;
}

StandinServer::StandinServer(quint16 port) : d(std::make_unique<Impl>())
{
    d->thread.setObjectName(QStringLiteral("standin"));
    d->thread.start();
    d->engine = new QObject;
    d->engine->moveToThread(&d->thread);
    QMetaObject::invokeMethod(
        d->engine,
        [this, port] {
            auto *listener = new QTcpServer(d->engine);
            // Loopback only: nothing of the sandbox may be reachable from elsewhere.
            if (!listener->listen(QHostAddress::LocalHost, port)) {
                qWarning().noquote() << "Stand-in cannot listen on 127.0.0.1 port" << port << ':'
                                     << listener->errorString();
                return;
            }
            d->port = listener->serverPort();
            QObject::connect(listener, &QTcpServer::newConnection, listener, [this, listener] {
                while (QTcpSocket *socket = listener->nextPendingConnection())
                    new Connection(*d, socket, d->engine);
            });
        },
        Qt::BlockingQueuedConnection);
}

StandinServer::~StandinServer()
{
    QMetaObject::invokeMethod(
        d->engine, [this] { qDeleteAll(d->engine->children()); }, Qt::BlockingQueuedConnection);
    d->thread.quit();
    d->thread.wait();
    delete d->engine;
}

int StandinServer::port() const
{
    return d->port;
}

QString StandinServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(d->port);
}

void StandinServer::answer(const QByteArray &method, const QByteArray &path, StandinAnswer answer)
{
    this->answer(method, path, Handler([answer](const StandinRequest &) { return answer; }));
}

void StandinServer::answer(const QByteArray &method, const QByteArray &path, Handler handler)
{
    std::lock_guard lock(d->mutex);
    d->exact[{method.toUpper(), path}] = std::move(handler);
}

void StandinServer::answerPrefix(const QByteArray &method, const QByteArray &prefix, StandinAnswer answer)
{
    answerPrefix(method, prefix, Handler([answer](const StandinRequest &) { return answer; }));
}

void StandinServer::answerPrefix(const QByteArray &method, const QByteArray &prefix, Handler handler)
{
    std::lock_guard lock(d->mutex);
    const QByteArray m = method.toUpper();
    for (Route &r : d->prefixes) {
        if (r.method == m && r.path == prefix) {
            r.handler = std::move(handler);
            return;
        }
    }
    d->prefixes.push_back({m, prefix, std::move(handler)});
}

void StandinServer::setFaults(const StandinFaults &faults)
{
    std::lock_guard lock(d->mutex);
    d->serverFaults = faults;
}

void StandinServer::setFaults(const QByteArray &pathPrefix, const StandinFaults &faults)
{
    std::lock_guard lock(d->mutex);
    for (auto &[prefix, f] : d->pathFaults) {
        if (prefix == pathPrefix) {
            f = faults;
            return;
        }
    }
    d->pathFaults.emplace_back(pathPrefix, faults);
}

void StandinServer::clearFaults()
{
    std::lock_guard lock(d->mutex);
    d->serverFaults = StandinFaults();
    d->pathFaults.clear();
}

StandinFaults StandinServer::faults() const
{
    std::lock_guard lock(d->mutex);
    return d->serverFaults;
}

QList<StandinRequest> StandinServer::requests() const
{
    std::lock_guard lock(d->mutex);
    return d->seen;
}

qsizetype StandinServer::requestCount() const
{
    std::lock_guard lock(d->mutex);
    return d->received;
}

qint64 StandinServer::requestBytes() const
{
    std::lock_guard lock(d->mutex);
    return d->receivedBytes;
}

StandinRequest StandinServer::lastRequest() const
{
    std::lock_guard lock(d->mutex);
    return d->seen.isEmpty() ? StandinRequest() : d->seen.constLast();
}

void StandinServer::clearRequests()
{
    std::lock_guard lock(d->mutex);
    d->seen.clear();
    d->received = 0;
    d->receivedBytes = 0;
}

void StandinServer::setRecordLimit(qsizetype count)
{
    std::lock_guard lock(d->mutex);
    d->recordLimit = count;
    if (count >= 0) {
        while (d->seen.size() > count)
            d->seen.removeFirst();
    }
}

void StandinServer::setListener(Listener listener)
{
    std::lock_guard lock(d->mutex);
    d->listener = std::move(listener);
}

bool StandinServer::waitForRequests(qsizetype count, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (requestCount() < count) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

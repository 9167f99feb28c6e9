#include "sandbox/StandinServer.h"

#include "sandbox/StandinHttp.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
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

constexpr qint64 kWriteChunk = 64 * 1024;
constexpr int kPaceMs = 20;
constexpr int kIdleMs = 120 * 1000;

struct Route
{
    QByteArray method;
    QByteArray path;
    StandinServer::Handler handler;
};

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
    qint64 recordBodyLimit = -1;
    Listener listener;
    quint16 port = 0;
    // The request-reading cap stands for the client's uplink, so every
    // connection draws on one budget: opening more connections buys no
    // more bandwidth, as on a real link.
    double upstreamTokens = 0;
    std::chrono::steady_clock::time_point upstreamRefilled{};

    Handler route(const QByteArray &method, const QByteArray &path) const;
    StandinFaults takeFaults(const QByteArray &method, const QByteArray &path);
    void record(const StandinRequest &request);
    bool addressedHere(const QByteArray &authority) const;
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

StandinFaults ServerState::takeFaults(const QByteArray &method, const QByteArray &path)
{
    std::lock_guard lock(mutex);
    StandinFaults *chosen = nullptr;
    qsizetype chosenLength = -1;
    for (auto &[prefix, faults] : pathFaults) {
        if (faults.appliesTo(method) && path.startsWith(prefix) && prefix.size() > chosenLength) {
            chosen = &faults;
            chosenLength = prefix.size();
        }
    }
    if (!chosen && serverFaults.appliesTo(method))
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
    if (recordBodyLimit >= 0 && request.body.size() > recordBodyLimit)
        seen.last().body.truncate(recordBodyLimit);
    ++received;
    receivedBytes += request.requestLine.size() + 4 + request.body.size();
    for (const auto &[name, value] : request.headers)
        receivedBytes += name.size() + 2 + value.size() + 2;
    if (recordLimit >= 0) {
        while (seen.size() > recordLimit)
            seen.removeFirst();
    }
}

bool ServerState::addressedHere(const QByteArray &authority) const
{
    const QByteArray suffix = ':' + QByteArray::number(port);
    const QByteArray name = authority.toLower();
    return port != 0 && (name == "127.0.0.1" + suffix || name == "localhost" + suffix);
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
// in order and plays the faults chosen for it: a paced read, a late, slow,
// cut, padded or replaced answer, or none at all.
class Connection : public QObject
{
public:
    Connection(ServerState &impl, QTcpSocket *socket, QObject *parent);

private:
    void pull();
    void process();
    void started();
    void dispatch(const StandinRequest &request);
    void send(const StandinAnswer &answer);
    void pump();
    void finishAnswer();
    void refuse(int status);
    void stopReadPacing();

    ServerState &m_impl;
    QTcpSocket *m_socket;
    QByteArray m_in;
    StandinRequestReader m_reader;
    StandinRequest m_request; // the one being answered
    StandinFaults m_faults;
    bool m_answering = false;
    bool m_refused = false; // the connection closes after the refusal

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
        if (!m_answering && m_reader.idle() && m_in.isEmpty())
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
    if (m_readPaced && !m_answering) {
        // Keep little in hand, so that the kernel holds the sender back.
        const qint64 room = 2 * m_socket->readBufferSize() - m_in.size();
        if (room > 0)
            m_in.append(m_socket->read(room));
    } else {
        m_in.append(m_socket->readAll());
    }
    process();
}

void Connection::process()
{
    const StandinRequestReader::Budget budget = [this](qint64 wanted) {
        return m_readPaced ? m_impl.takeUpstream(m_faults.requestBytesPerSecond, wanted) : wanted;
    };
    while (!m_answering) {
        switch (m_reader.read(m_in, budget)) {
        case StandinRequestReader::Step::More:
            return; // more arrives with readyRead, or with the read timer when paced
        case StandinRequestReader::Step::Head:
            started();
            break; // a refusal there ends the loop
        case StandinRequestReader::Step::Request:
            dispatch(m_reader.take());
            return;
        case StandinRequestReader::Step::Refused:
            refuse(m_reader.refusal());
            return;
        }
    }
}

void Connection::started()
{
    const StandinRequest &request = m_reader.request();
    if (!m_impl.addressedHere(request.authority)) {
        refuse(421);
        return;
    }
    m_faults = m_impl.takeFaults(request.method.toUpper(), request.path);
    if (!m_reader.hasBody())
        return;
    if (StandinHttp::hasToken(request.header("Expect"), "100-continue"))
        m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
    if (m_faults.requestBytesPerSecond > 0) {
        m_readPaced = true;
        // A small buffer makes the kernel push back on the sender.
        m_socket->setReadBufferSize(std::max<qint64>(1, m_faults.requestBytesPerSecond * kPaceMs / 1000));
        m_readTimer.start();
    }
}

void Connection::stopReadPacing()
{
    if (!m_readPaced)
        return;
    m_readTimer.stop();
    m_readPaced = false;
    m_socket->setReadBufferSize(0);
}

void Connection::dispatch(const StandinRequest &request)
{
    m_answering = true;
    m_request = request;
    stopReadPacing();
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
        answer.body = StandinHttp::reasonPhrase(m_faults.status);
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
    const bool keepAlive = m_reader.keepAlive() && !m_refused;
    QByteArray out = StandinHttp::answerHead(answer.status, answer.headers, answer.body.size(), keepAlive,
                                             m_reader.http10());
    const qint64 headSize = out.size();
    if (!head && !StandinHttp::bodyless(answer.status))
        out += answer.body;

    m_out = std::move(out);
    m_outPos = 0;
    m_outEnd = m_out.size();
    m_closeAfterAnswer = !keepAlive;
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
    if (!m_answering || m_outPos >= m_outEnd)
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
    m_answering = false;
    m_reader.reset();
    m_request = StandinRequest();
    m_faults = StandinFaults();
    // A pipelined request may already be waiting; let the event loop breathe
    // first so one client cannot hold the thread.
    QTimer::singleShot(0, this, [this] {
        if (!m_answering)
            pull();
    });
}

void Connection::refuse(int status)
{
    m_answering = true;
    m_refused = true;
    m_request = m_reader.take();
    m_faults = StandinFaults();
    stopReadPacing();
    m_in.clear();
    send(StandinAnswer{status, {}, StandinHttp::reasonPhrase(status)});
}

} // namespace

struct StandinServer::Impl : ServerState
{
    QThread thread;
    QObject *engine = nullptr; // lives on `thread`, parent of the listening socket and every connection
};

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

void StandinServer::setRecordLimit(qsizetype count, qint64 bodyBytes)
{
    std::lock_guard lock(d->mutex);
    d->recordLimit = count;
    d->recordBodyLimit = bodyBytes;
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

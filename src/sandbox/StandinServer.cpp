#include "sandbox/StandinServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QUrlQuery>

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

// httplib hands its handlers the headers sorted by name, but a stand-in must
// see them in the order they were sent. So clients talk to a small relay
// that reads each raw header block, notes it by the relay's own outgoing
// port, and pipes the bytes on to httplib; the handler finds the block again
// by the request's remote port. httplib closes every connection after one
// request, so one connection is one request.
struct StandinServer::Impl
{
    httplib::Server http;
    std::thread httpThread;
    int httpPort = 0;

    int listenFd = -1;
    int relayPort = 0;
    std::thread acceptThread;
    std::vector<std::thread> pipes;
    std::atomic<bool> stopping{false};

    mutable std::mutex mutex;
    std::map<int, QList<std::pair<QByteArray, QByteArray>>> rawHeadersByPort;
    std::map<std::pair<QByteArray, QByteArray>, Handler> script;
    QList<StandinRequest> seen;

    void serve(const httplib::Request &req, httplib::Response &res);
    void acceptLoop();
    void pipe(int client);
};

namespace {

QList<std::pair<QByteArray, QByteArray>> parseHeaderBlock(const QByteArray &block)
{
    QList<std::pair<QByteArray, QByteArray>> out;
    const QList<QByteArray> lines = block.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        out.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    return out;
}

bool writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

void StandinServer::Impl::serve(const httplib::Request &req, httplib::Response &res)
{
    StandinRequest r;
    r.method = QByteArray::fromStdString(req.method);
    const QByteArray target = QByteArray::fromStdString(req.target);
    const qsizetype q = target.indexOf('?');
    r.path = q < 0 ? target : target.left(q);
    r.query = q < 0 ? QByteArray() : target.mid(q + 1);
    r.body = QByteArray::fromStdString(req.body);

    Handler handler;
    {
        std::lock_guard lock(mutex);
        const auto raw = rawHeadersByPort.find(req.remote_port);
        if (raw != rawHeadersByPort.end()) {
            r.headers = raw->second;
            rawHeadersByPort.erase(raw);
        } else {
            for (const auto &h : req.headers)
                r.headers.append({QByteArray::fromStdString(h.first), QByteArray::fromStdString(h.second)});
        }
        seen.append(r);
        const auto it = script.find({r.method.toUpper(), r.path});
        if (it != script.end())
            handler = it->second;
    }

    StandinAnswer a;
    if (handler) {
        a = handler(r);
    } else {
        a.status = 404;
        a.body = "no stand-in answer for " + r.method + ' ' + r.path;
    }
    // Sleep in slices so that stopping the server is never held up long.
    for (auto waited = std::chrono::milliseconds(0); waited < a.delay && !stopping;
         waited += std::chrono::milliseconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    res.status = a.status;
    std::string contentType = "text/plain";
    for (const auto &h : a.headers) {
        if (h.first.compare("Content-Type", Qt::CaseInsensitive) == 0)
            contentType = h.second.toStdString();
        else
            res.set_header(h.first.toStdString(), h.second.toStdString());
    }
    res.set_content(a.body.toStdString(), contentType);
}

void StandinServer::Impl::acceptLoop()
{
    while (!stopping) {
        pollfd p{listenFd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const int client = ::accept(listenFd, nullptr, nullptr);
        if (client < 0)
            continue;
        std::lock_guard lock(mutex);
        pipes.emplace_back([this, client] { pipe(client); });
    }
}

void StandinServer::Impl::pipe(int client)
{
    // Read the header block whole before anything goes on.
    QByteArray head;
    char buf[16384];
    while (!stopping && !head.contains("\r\n\r\n")) {
        pollfd p{client, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = ::recv(client, buf, sizeof buf, 0);
        if (n <= 0) {
            ::close(client);
            return;
        }
        head.append(buf, n);
    }

    const int upstream = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(quint16(httpPort));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(upstream, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(upstream);
        ::close(client);
        return;
    }
    sockaddr_in local{};
    socklen_t len = sizeof local;
    ::getsockname(upstream, reinterpret_cast<sockaddr *>(&local), &len);
    {
        std::lock_guard lock(mutex);
        rawHeadersByPort[ntohs(local.sin_port)] = parseHeaderBlock(head.left(head.indexOf("\r\n\r\n")));
    }

    bool open = writeAll(upstream, head.constData(), head.size());
    while (open && !stopping) {
        pollfd p[2] = {{client, POLLIN, 0}, {upstream, POLLIN, 0}};
        if (::poll(p, 2, 50) <= 0)
            continue;
        for (int i = 0; i < 2 && open; ++i) {
            if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::recv(p[i].fd, buf, sizeof buf, 0);
            open = n > 0 && writeAll(p[1 - i].fd, buf, n);
        }
    }
    ::close(upstream);
    ::close(client);
}

StandinServer::StandinServer() : d(std::make_unique<Impl>())
{
    d->http.set_keep_alive_max_count(1);
    const auto handler = [this](const httplib::Request &req, httplib::Response &res) { d->serve(req, res); };
    d->http.Get(".*", handler);
    d->http.Post(".*", handler);
    d->http.Put(".*", handler);
    d->http.Patch(".*", handler);
    d->http.Delete(".*", handler);
    d->http.Options(".*", handler);
    d->httpPort = d->http.bind_to_any_port("127.0.0.1");
    d->httpThread = std::thread([this] { d->http.listen_after_bind(); });

    d->listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    ::setsockopt(d->listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = 0;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(d->listenFd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    ::listen(d->listenFd, 64);
    socklen_t len = sizeof addr;
    ::getsockname(d->listenFd, reinterpret_cast<sockaddr *>(&addr), &len);
    d->relayPort = ntohs(addr.sin_port);
    d->acceptThread = std::thread([this] { d->acceptLoop(); });
}

StandinServer::~StandinServer()
{
    d->stopping = true;
    d->acceptThread.join();
    ::close(d->listenFd);
    std::vector<std::thread> pipes;
    {
        std::lock_guard lock(d->mutex);
        pipes.swap(d->pipes);
    }
    for (auto &t : pipes)
        t.join();
    d->http.stop();
    d->httpThread.join();
}

int StandinServer::port() const
{
    return d->relayPort;
}

QString StandinServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(d->relayPort);
}

void StandinServer::answer(const QByteArray &method, const QByteArray &path, StandinAnswer answer)
{
    this->answer(method, path, Handler([answer](const StandinRequest &) { return answer; }));
}

void StandinServer::answer(const QByteArray &method, const QByteArray &path, Handler handler)
{
    std::lock_guard lock(d->mutex);
    d->script[{method.toUpper(), path}] = std::move(handler);
}

QList<StandinRequest> StandinServer::requests() const
{
    std::lock_guard lock(d->mutex);
    return d->seen;
}

qsizetype StandinServer::requestCount() const
{
    std::lock_guard lock(d->mutex);
    return d->seen.size();
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
}

QByteArray StandinRequest::header(const QByteArray &name) const
{
    for (const auto &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second.isNull() ? QByteArray("") : h.second;
    }
    return {};
}

bool StandinRequest::hasHeader(const QByteArray &name) const
{
    return !header(name).isNull();
}

QList<QByteArray> StandinRequest::headerNames() const
{
    QList<QByteArray> out;
    for (const auto &h : headers)
        out.append(h.first);
    return out;
}

namespace {

QString formParameter(const QByteArray &encoded, const QString &key)
{
    QByteArray plus = encoded;
    plus.replace('+', "%20");
    const QUrlQuery query(QString::fromUtf8(plus));
    if (!query.hasQueryItem(key))
        return {};
    return query.queryItemValue(key, QUrl::FullyDecoded);
}

} // namespace

QString StandinRequest::queryValue(const QString &key) const
{
    return formParameter(query, key);
}

QString StandinRequest::formValue(const QString &key) const
{
    return formParameter(body, key);
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

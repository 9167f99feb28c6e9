#include "sandbox/StandinServer.h"

#include "sandbox/HeaderRelay.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QUrlQuery>

#include <httplib.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

// httplib hands its handlers the headers sorted by name, but a stand-in must
// see them in the order they were sent, so clients reach httplib through a
// HeaderRelay. httplib closes every connection after one request, so one
// relayed connection is one request.
struct StandinServer::Impl
{
    httplib::Server http;
    std::thread httpThread;
    std::unique_ptr<HeaderRelay> relay;
    std::atomic<bool> stopping{false};

    mutable std::mutex mutex;
    std::map<int, RawHeaders> rawHeadersByPort;
    std::map<std::pair<QByteArray, QByteArray>, Handler> script;
    std::map<std::pair<QByteArray, QByteArray>, Handler> prefixScript;
    QList<StandinRequest> seen;

    void serve(const httplib::Request &req, httplib::Response &res);
};

void StandinServer::Impl::serve(const httplib::Request &req, httplib::Response &res)
{
    StandinRequest r;
    r.method = QByteArray::fromStdString(req.method);
    const QByteArray target = QByteArray::fromStdString(req.target);
    const qsizetype q = target.indexOf('?');
    r.path = q < 0 ? target : target.left(q);
    r.query = q < 0 ? QByteArray() : target.mid(q + 1);
    r.body = QByteArray::fromStdString(req.body);
    // The HTTP library takes a form's parts out of the body; put them back
    // as they were sent so a stand-in can check the upload whole.
    if (r.body.isEmpty() && !req.files.empty()) {
        const std::string type = req.get_header_value("Content-Type");
        const auto at = type.find("boundary=");
        std::string boundary = at == std::string::npos ? std::string() : type.substr(at + 9);
        if (boundary.size() >= 2 && boundary.front() == '"')
            boundary = boundary.substr(1, boundary.size() - 2);
        std::string body;
        for (const auto &[name, file] : req.files) {
            body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + '"';
            if (!file.filename.empty())
                body += "; filename=\"" + file.filename + '"';
            body += "\r\n";
            if (!file.content_type.empty())
                body += "Content-Type: " + file.content_type + "\r\n";
            body += "\r\n" + file.content + "\r\n";
        }
        body += "--" + boundary + "--\r\n";
        r.body = QByteArray::fromStdString(body);
    }

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
        if (it != script.end()) {
            handler = it->second;
        } else {
            qsizetype longest = -1;
            for (const auto &[key, h] : prefixScript) {
                if (key.first == r.method.toUpper() && r.path.startsWith(key.second) &&
                    key.second.size() > longest) {
                    longest = key.second.size();
                    handler = h;
                }
            }
        }
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
    const int httpPort = d->http.bind_to_any_port("127.0.0.1");
    d->httpThread = std::thread([this] { d->http.listen_after_bind(); });
    d->relay = std::make_unique<HeaderRelay>(quint16(httpPort), [this](quint16 port, RawHeaders headers) {
        std::lock_guard lock(d->mutex);
        d->rawHeadersByPort[port] = std::move(headers);
    });
}

StandinServer::~StandinServer()
{
    d->stopping = true;
    d->relay.reset();
    d->http.stop();
    d->httpThread.join();
}

int StandinServer::port() const
{
    return d->relay->port();
}

QString StandinServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(d->relay->port());
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

void StandinServer::answerPrefix(const QByteArray &method, const QByteArray &prefix, Handler handler)
{
    std::lock_guard lock(d->mutex);
    d->prefixScript[{method.toUpper(), prefix}] = std::move(handler);
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

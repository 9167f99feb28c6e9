#include "HostileServer.h"

#include <QPointer>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <zlib.h>

namespace {

// Writes `head`, then `filler` for as long as the client reads.
void pumpForever(QTcpSocket &socket, const QByteArray &head, char filler)
{
    socket.write(head);
    const QByteArray chunk(64 * 1024, filler);
    QPointer<QTcpSocket> alive(&socket);
    auto pump = [alive, chunk] {
        if (alive && alive->state() == QAbstractSocket::ConnectedState && alive->bytesToWrite() < 256 * 1024)
            alive->write(chunk);
    };
    QObject::connect(&socket, &QTcpSocket::bytesWritten, &socket, pump);
    pump();
}

} // namespace

QByteArray HostileRequest::header(const QByteArray &name) const
{
    for (const auto &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return {};
}

HostileServer::HostileServer(std::unique_ptr<QTcpServer> listener)
    : m_listener(listener ? std::move(listener) : std::make_unique<QTcpServer>())
{
    m_tls = qobject_cast<QSslServer *>(m_listener.get()) != nullptr;
    connect(m_listener.get(), &QTcpServer::pendingConnectionAvailable, this, &HostileServer::accept);
    m_listener->listen(QHostAddress::LocalHost);
}

HostileServer::~HostileServer() = default;

int HostileServer::port() const
{
    return m_listener->serverPort();
}

QString HostileServer::url(const QString &path) const
{
    return QStringLiteral("%1://127.0.0.1:%2%3").arg(m_tls ? u"https" : u"http").arg(port()).arg(path);
}

void HostileServer::on(const QByteArray &path, Script script)
{
    m_scripts.insert(path, std::move(script));
}

void HostileServer::accept()
{
    while (QTcpSocket *socket = m_listener->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] { serve(socket, buffer); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        serve(socket, buffer);
    }
}

void HostileServer::serve(QTcpSocket *socket, const std::shared_ptr<QByteArray> &buffer)
{
    *buffer += socket->readAll();
    const qsizetype headEnd = buffer->indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;
    HostileRequest request;
    const QList<QByteArray> lines = buffer->left(headEnd).split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.target = first.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0)
            request.headers.append({lines.at(i).left(colon).trimmed(), lines.at(i).mid(colon + 1).trimmed()});
    }
    const qsizetype length = request.header("Content-Length").toLongLong();
    if (buffer->size() < headEnd + 4 + length)
        return;
    request.body = buffer->mid(headEnd + 4, length);
    socket->disconnect(this);
    m_requests.append(request);

    const QByteArray path = request.target.split('?').first();
    const auto script = m_scripts.constFind(path);
    if (script == m_scripts.constEnd())
        answer(404, {}, "no script")(*socket, request);
    else
        (*script)(*socket, request);
}

HostileServer::Script HostileServer::answer(int status,
                                            const QList<std::pair<QByteArray, QByteArray>> &headers,
                                            const QByteArray &body)
{
    return [=](QTcpSocket &socket, const HostileRequest &) {
        // No client reads the reason phrase.
        QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n";
        bool hasLength = false;
        for (const auto &h : headers) {
            head += h.first + ": " + h.second + "\r\n";
            hasLength = hasLength || h.first.compare("Content-Length", Qt::CaseInsensitive) == 0;
        }
        if (!hasLength)
            head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        socket.write(head + "Connection: close\r\n\r\n" + body);
        socket.disconnectFromHost();
    };
}

HostileServer::Script HostileServer::redirect(int status, const QString &location)
{
    return answer(status, {{"Location", location.toUtf8()}}, "moved");
}

HostileServer::Script HostileServer::endless()
{
    return [](QTcpSocket &socket, const HostileRequest &) {
        pumpForever(socket, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n", 'x');
    };
}

HostileServer::Script HostileServer::endlessHead()
{
    return [](QTcpSocket &socket, const HostileRequest &) {
        pumpForever(socket, "HTTP/1.1 200 OK\r\nX-Padding: ", 'a');
    };
}

HostileServer::Script HostileServer::raw(const QByteArray &bytes)
{
    return [bytes](QTcpSocket &socket, const HostileRequest &) {
        socket.write(bytes);
        socket.disconnectFromHost();
    };
}

HostileServer::Script HostileServer::drip(int intervalMs)
{
    return [intervalMs](QTcpSocket &socket, const HostileRequest &) {
        socket.write("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\nConnection: close\r\n\r\n");
        auto *timer = new QTimer(&socket);
        QObject::connect(timer, &QTimer::timeout, &socket, [&socket] { socket.write("."); });
        timer->start(intervalMs);
    };
}

HostileServer::Script HostileServer::later(int ms, Script script)
{
    return [ms, script](QTcpSocket &socket, const HostileRequest &request) {
        QTimer::singleShot(ms, &socket, [&socket, script, request] { script(socket, request); });
    };
}

QByteArray deflated(const QByteArray &data, int windowBits)
{
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&z, uLong(data.size()))), '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}

QByteArray gzipped(const QByteArray &data)
{
    return deflated(data, MAX_WBITS + 16);
}

QByteArray gzippedZeros(qint64 count)
{
    // Concatenated members are one answer, and far quicker to build than one
    // member of the whole size.
    const qint64 member = 1024 * 1024;
    return gzipped(QByteArray(member, '\0')).repeated(count / member) +
           gzipped(QByteArray(count % member, '\0'));
}

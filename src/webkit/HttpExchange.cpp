#include "webkit/HttpExchange.h"

#include <QCoreApplication>
#include <QMultiHash>
#include <QPointer>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThread>
#include <QThreadStorage>

#include <algorithm>

namespace {

// How much of a body goes to the socket at a time, so a large upload is not
// copied into the socket's buffer whole.
constexpr qint64 kWriteSlice = 256 * 1024;
constexpr qsizetype kReadBuffer = 1024 * 1024;
// A chunk-size line is a number and perhaps a short extension.
constexpr qsizetype kMaxChunkLine = 4096;
constexpr int kIdlePerSite = 4;

int defaultPort(const QUrl &url)
{
    return url.scheme() == u"https" ? 443 : 80;
}

QString siteOf(const QUrl &url)
{
    return url.scheme() + u"://" + url.host().toLower() + u':' + QString::number(url.port(defaultPort(url)));
}

bool isToken(QByteArrayView name)
{
    static const QByteArray specials = "!#$%&'*+-.^_`|~";
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
               specials.contains(c);
    });
}

bool allDigits(QByteArrayView text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

WebRequestError::Kind kindOf(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return WebRequestError::Kind::Refused;
    case QAbstractSocket::HostNotFoundError:
        return WebRequestError::Kind::HostNotFound;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return WebRequestError::Kind::Tls;
    case QAbstractSocket::SocketTimeoutError:
        return WebRequestError::Kind::Timeout;
    default:
        return WebRequestError::Kind::Other;
    }
}

// Connections left open by finished exchanges, for the next exchange with
// the same site. Sockets belong to the thread that made them, so each
// thread keeps its own.
class ConnectionPool : public QObject
{
public:
    ~ConnectionPool() override
    {
        // The sockets go with the pool; what they say while closing has
        // nobody left to hear it.
        for (QAbstractSocket *socket : std::as_const(m_idle))
            socket->disconnect(this);
    }

    QAbstractSocket *take(const QString &site)
    {
        while (QAbstractSocket *socket = m_idle.take(site)) {
            socket->disconnect(this);
            // Anything the server said while nobody asked, or a connection
            // it already closed, makes the socket useless.
            if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesAvailable() == 0)
                return socket;
            socket->abort();
            socket->deleteLater();
        }
        return nullptr;
    }

    void give(const QString &site, QAbstractSocket *socket)
    {
        if (m_idle.count(site) >= kIdlePerSite) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        socket->setParent(this);
        const auto drop = [this, site, socket] {
            m_idle.remove(site, socket);
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater();
        };
        connect(socket, &QAbstractSocket::disconnected, this, drop);
        connect(socket, &QAbstractSocket::readyRead, this, drop);
        m_idle.insert(site, socket);
    }

private:
    QMultiHash<QString, QAbstractSocket *> m_idle;
};

QThreadStorage<ConnectionPool *> &pools()
{
    static QThreadStorage<ConnectionPool *> perThread;
    return perThread;
}

ConnectionPool &poolForThisThread()
{
    if (!pools().hasLocalData()) {
        pools().setLocalData(new ConnectionPool);
        // The main thread's connections would otherwise close after the
        // application object, when a TLS goodbye can no longer be sent.
        if (QCoreApplication::instance() &&
            QThread::currentThread() == QCoreApplication::instance()->thread())
            qAddPostRoutine([] { pools().setLocalData(nullptr); });
    }
    return *pools().localData();
}

} // namespace

HttpExchange::HttpExchange(Request request, QObject *parent)
    : QObject(parent), m_request(std::move(request)), m_site(siteOf(m_request.url))
{
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        fail(WebRequestError::Kind::Timeout, QStringLiteral("No answer from %1 within %2 seconds")
                                                 .arg(where())
                                                 .arg(m_request.silenceMs / 1000.0));
    });
}

HttpExchange::~HttpExchange()
{
    abort();
}

QByteArray HttpExchange::header(QByteArrayView name) const
{
    for (const auto &h : m_headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return {};
}

QString HttpExchange::where() const
{
    // Error texts end up in reports; tokens travel in the query, so it stays out.
    return m_request.url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo | QUrl::RemoveFragment);
}

void HttpExchange::start()
{
    m_silence.setInterval(std::max(1, m_request.silenceMs));
    m_silence.start();
    connectSocket();
}

void HttpExchange::connectSocket()
{
    m_stage = Stage::Connecting;
    m_in.clear();
    m_headBytes = 0;
    m_bodyWritten = 0;
    m_requestWritten = false;
    m_heardBack = false;

    m_socket = poolForThisThread().take(m_site);
    m_reused = m_socket != nullptr;
    const bool tls = m_request.url.scheme() == u"https";
    if (!m_socket) {
        m_socket = tls ? new QSslSocket : new QTcpSocket;
        m_socket->setReadBufferSize(kReadBuffer);
    }
    m_socket->setParent(this);
    QAbstractSocket *socket = m_socket;
    connect(socket, &QAbstractSocket::readyRead, this, &HttpExchange::onReadyRead);
    connect(socket, &QAbstractSocket::bytesWritten, this, [this] {
        m_silence.start();
        writeMoreBody();
    });
    connect(socket, &QAbstractSocket::errorOccurred, this,
            [this, socket](QAbstractSocket::SocketError error) {
                if (socket == m_socket)
                    onSocketEnded(true, int(error), socket->errorString());
            });
    connect(socket, &QAbstractSocket::disconnected, this, [this, socket] {
        if (socket == m_socket)
            onSocketEnded(false, 0, QString());
    });
    if (m_reused) {
        writeRequest();
        return;
    }
    const quint16 port = quint16(m_request.url.port(defaultPort(m_request.url)));
    const QString host = m_request.url.host(QUrl::EncodeUnicode);
    if (tls) {
        auto *secure = static_cast<QSslSocket *>(socket);
        connect(secure, &QSslSocket::encrypted, this, &HttpExchange::writeRequest);
        secure->connectToHostEncrypted(host, port);
    } else {
        connect(socket, &QAbstractSocket::connected, this, &HttpExchange::writeRequest);
        socket->connectToHost(host, port);
    }
}

void HttpExchange::writeRequest()
{
    if (!alive() || !m_socket)
        return;
    m_silence.start();
    m_stage = Stage::StatusLine;
    QUrl url = m_request.url;
    QUrl::FormattingOptions format =
        QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment | QUrl::FullyEncoded;
    if (url.path().isEmpty())
        url.setPath(QStringLiteral("/"));
    else
        format |= QUrl::NormalizePathSegments;

    QByteArray host = m_request.url.host(QUrl::EncodeUnicode).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']'; // IPv6
    if (m_request.url.port() != -1)
        host += ':' + QByteArray::number(m_request.url.port());
    QByteArray head = m_request.method + ' ' + url.toEncoded(format) + " HTTP/1.1\r\nHost: " + host + "\r\n";
    bool hasLength = false, hasAgent = false;
    for (const auto &h : m_request.headers) {
        if (h.second.isNull())
            continue; // unset, as against set to nothing
        head += h.first + ": " + h.second + "\r\n";
        hasLength = hasLength || h.first.compare("Content-Length", Qt::CaseInsensitive) == 0;
        hasAgent = hasAgent || h.first.compare("User-Agent", Qt::CaseInsensitive) == 0;
    }
    if (m_request.body && !hasLength)
        head += "Content-Length: " + QByteArray::number(m_request.body->size()) + "\r\n";
    if (!hasAgent)
        head += "User-Agent: Mozilla/5.0\r\n";
    head += "\r\n";
    m_socket->write(head);
    writeMoreBody();
}

void HttpExchange::writeMoreBody()
{
    if (m_requestWritten || !m_socket || m_stage == Stage::Connecting || !alive())
        return;
    const qint64 size = m_request.body ? m_request.body->size() : 0;
    while (m_bodyWritten < size && m_socket->bytesToWrite() < kWriteSlice) {
        const qint64 slice = std::min(kWriteSlice, size - m_bodyWritten);
        m_socket->write(m_request.body->constData() + m_bodyWritten, slice);
        m_bodyWritten += slice;
    }
    m_requestWritten = m_bodyWritten >= size;
}

void HttpExchange::onReadyRead()
{
    if (!alive() || !m_socket)
        return;
    m_silence.start();
    const QByteArray bytes = m_socket->readAll();
    if (bytes.isEmpty())
        return;
    m_heardBack = true;
    m_in += bytes;
    parse();
}

void HttpExchange::onSocketEnded(bool error, int socketError, const QString &errorText)
{
    if (!alive())
        return;
    // What arrived just before the end still counts.
    if (m_socket && m_socket->bytesAvailable() > 0) {
        QPointer<HttpExchange> self(this);
        onReadyRead();
        if (!self || !alive())
            return;
    }
    const bool closed = !error || socketError == int(QAbstractSocket::RemoteHostClosedError);
    if (closed && m_stage == Stage::Body && m_framing == Framing::UntilClose) {
        complete();
        return;
    }
    // A connection kept from before may have been closed by the server just
    // as this exchange began; that says nothing about the request, which
    // goes again once on a fresh connection.
    if (closed && m_reused && !m_heardBack && !m_retried) {
        m_retried = true;
        releaseSocket(false);
        connectSocket();
        return;
    }
    if (closed)
        fail(WebRequestError::Kind::Other,
             m_heardBack ? QStringLiteral("%1 closed the connection before the answer was "
                                          "complete")
                               .arg(where())
                         : QStringLiteral("%1 closed the connection without an answer").arg(where()));
    else
        fail(kindOf(QAbstractSocket::SocketError(socketError)),
             QStringLiteral("%1: %2").arg(where(), errorText));
}

bool HttpExchange::takeLine(QByteArray *line, bool head)
{
    const qsizetype end = m_in.indexOf('\n');
    const qsizetype limit = head ? MaxHeadBytes - m_headBytes : kMaxChunkLine;
    // A line may not outgrow its bound, whether or not it has ended yet.
    if ((end < 0 ? m_in.size() : end + 1) > limit) {
        if (head)
            fail(WebRequestError::Kind::TooLarge,
                 QStringLiteral("The answer from %1 has a head larger than %2 bytes")
                     .arg(where())
                     .arg(MaxHeadBytes));
        else
            fail(WebRequestError::Kind::Other,
                 QStringLiteral("The answer from %1 has a malformed chunk size").arg(where()));
        return false;
    }
    if (end < 0)
        return false;
    *line = m_in.left(end);
    if (line->endsWith('\r'))
        line->chop(1);
    m_in.remove(0, end + 1);
    if (head)
        m_headBytes += end + 1;
    return true;
}

bool HttpExchange::readStatusLine(const QByteArray &line)
{
    // "HTTP/1.1 200 OK"; the reason may be empty or missing.
    const QList<QByteArray> parts = line.split(' ');
    const QByteArray version = parts.value(0);
    const QByteArray code = parts.value(1);
    if (!version.startsWith("HTTP/1.") || version.size() != 8 || code.size() != 3 || !allDigits(code)) {
        fail(WebRequestError::Kind::Other, QStringLiteral("%1 did not answer in HTTP").arg(where()));
        return false;
    }
    m_status = code.toInt();
    m_reason = QString::fromLatin1(line.mid(version.size() + 1 + code.size()).trimmed());
    m_keepAlive = version == "HTTP/1.1";
    m_headers.clear();
    return true;
}

bool HttpExchange::readHeaderLine(const QByteArray &line, Fields &into)
{
    if ((line.startsWith(' ') || line.startsWith('\t')) && !into.isEmpty()) {
        // A folded line continues the field before it.
        into.last().second += ' ' + line.trimmed();
        return true;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 || !isToken(QByteArrayView(line).first(colon))) {
        fail(WebRequestError::Kind::Other,
             QStringLiteral("The answer from %1 has a malformed header").arg(where()));
        return false;
    }
    into.append({line.left(colon), line.mid(colon + 1).trimmed()});
    return true;
}

bool HttpExchange::headComplete()
{
    // Interim answers (100 Continue and the like) come before the real one.
    if (m_status >= 100 && m_status < 200 && m_status != 101) {
        m_stage = Stage::StatusLine;
        return true;
    }
    const QByteArray connection = header("Connection").toLower();
    if (connection.contains("close"))
        m_keepAlive = false;
    else if (connection.contains("keep-alive"))
        m_keepAlive = true;

    QByteArray lengthValue;
    bool lengthSeen = false;
    for (const auto &h : m_headers) {
        if (h.first.compare("Content-Length", Qt::CaseInsensitive) != 0)
            continue;
        // Two different lengths, or one that is not a plain number, leave
        // no way to tell where the body ends.
        if (!allDigits(h.second) || h.second.size() > 18 || (lengthSeen && h.second != lengthValue)) {
            fail(WebRequestError::Kind::Other,
                 QStringLiteral("The answer from %1 has an invalid Content-Length").arg(where()));
            return false;
        }
        lengthSeen = true;
        lengthValue = h.second;
    }
    const QByteArray coding = header("Transfer-Encoding").trimmed().toLower();
    const bool noBody = m_request.method == "HEAD" || m_status == 204 || m_status == 304 || m_status < 200;
    if (noBody) {
        m_framing = Framing::None;
    } else if (!coding.isEmpty()) {
        m_framing = coding.endsWith("chunked") ? Framing::Chunked : Framing::UntilClose;
        if (lengthSeen)
            m_keepAlive = false;
    } else if (lengthSeen) {
        m_framing = Framing::Length;
        m_remaining = lengthValue.toLongLong();
    } else {
        m_framing = Framing::UntilClose;
    }

    QPointer<HttpExchange> self(this);
    emit headReceived();
    if (!self || !alive())
        return false;
    switch (m_framing) {
    case Framing::None:
        complete();
        return false;
    case Framing::Length:
        if (m_remaining == 0) {
            complete();
            return false;
        }
        m_stage = Stage::Body;
        break;
    case Framing::Chunked:
        m_stage = Stage::ChunkSize;
        break;
    case Framing::UntilClose:
        m_stage = Stage::Body;
        break;
    }
    return true;
}

bool HttpExchange::readChunkSize(const QByteArray &line)
{
    // Hex digits, then perhaps blanks and ";extension". Anything else is
    // not a size, and reading it as the last chunk would pass a cut answer
    // off as complete.
    QByteArray size = line;
    const qsizetype extension = size.indexOf(';');
    if (extension >= 0)
        size.truncate(extension);
    size = size.trimmed();
    const bool hex =
        !size.isEmpty() && size.size() <= 15 && std::all_of(size.begin(), size.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        });
    if (!hex) {
        fail(WebRequestError::Kind::Other,
             QStringLiteral("The answer from %1 has a malformed chunk size").arg(where()));
        return false;
    }
    m_remaining = size.toLongLong(nullptr, 16);
    m_stage = m_remaining == 0 ? Stage::Trailers : Stage::ChunkData;
    return true;
}

bool HttpExchange::deliver(qint64 count)
{
    if (count <= 0)
        return true;
    const QByteArray piece = m_in.left(count);
    m_in.remove(0, count);
    QPointer<HttpExchange> self(this);
    emit bodyReceived(piece);
    return self && alive();
}

void HttpExchange::parse()
{
    QByteArray line;
    while (alive()) {
        switch (m_stage) {
        case Stage::StatusLine:
            if (!takeLine(&line, true))
                return;
            if (line.isEmpty())
                break; // blank lines left over from an earlier answer
            if (!readStatusLine(line))
                return;
            m_stage = Stage::Headers;
            break;
        case Stage::Headers:
            if (!takeLine(&line, true))
                return;
            if (line.isEmpty()) {
                if (!headComplete())
                    return;
            } else if (!readHeaderLine(line, m_headers)) {
                return;
            }
            break;
        case Stage::Body:
        case Stage::ChunkData: {
            if (m_in.isEmpty())
                return;
            const qint64 count =
                m_framing == Framing::UntilClose ? m_in.size() : std::min<qint64>(m_remaining, m_in.size());
            if (!deliver(count))
                return;
            if (m_framing == Framing::UntilClose)
                return;
            m_remaining -= count;
            if (m_remaining > 0)
                return;
            if (m_stage == Stage::ChunkData) {
                m_stage = Stage::ChunkEnd;
            } else {
                complete();
                return;
            }
            break;
        }
        case Stage::ChunkEnd:
            if (m_in.startsWith('\n')) {
                m_in.remove(0, 1);
            } else if (m_in.startsWith("\r\n")) {
                m_in.remove(0, 2);
            } else if (m_in.isEmpty() || m_in == "\r") {
                return;
            } else {
                fail(WebRequestError::Kind::Other,
                     QStringLiteral("The answer from %1 has a malformed chunk").arg(where()));
                return;
            }
            m_stage = Stage::ChunkSize;
            break;
        case Stage::ChunkSize:
            if (!takeLine(&line, false) || !readChunkSize(line))
                return;
            break;
        case Stage::Trailers: {
            if (!takeLine(&line, true))
                return;
            if (line.isEmpty()) {
                complete();
                return;
            }
            Fields trailers;
            if (!readHeaderLine(line, trailers))
                return;
            break;
        }
        default:
            return;
        }
    }
}

void HttpExchange::complete()
{
    m_stage = Stage::Done;
    m_silence.stop();
    releaseSocket(m_keepAlive && m_framing != Framing::UntilClose && m_requestWritten && m_in.isEmpty());
    emit finished();
}

void HttpExchange::fail(WebRequestError::Kind kind, const QString &description)
{
    if (!alive())
        return;
    m_stage = Stage::Failed;
    m_silence.stop();
    releaseSocket(false);
    emit failed(kind, description);
}

void HttpExchange::abort()
{
    if (m_stage != Stage::Done)
        m_stage = Stage::Failed;
    m_silence.stop();
    releaseSocket(false);
}

void HttpExchange::releaseSocket(bool keep)
{
    QAbstractSocket *socket = m_socket;
    m_socket = nullptr;
    if (!socket)
        return;
    socket->disconnect(this);
    if (keep && socket->state() == QAbstractSocket::ConnectedState) {
        poolForThisThread().give(m_site, socket);
        return;
    }
    socket->abort();
    socket->setParent(nullptr);
    socket->deleteLater();
}

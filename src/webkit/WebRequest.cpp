#include "webkit/WebRequest.h"

#include "webkit/Ansi.h"
#include "webkit/HttpExchange.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QStringDecoder>

#include <pugixml.hpp>
#include <zlib.h>

#include <algorithm>

namespace {

bool isToken(const QByteArray &name)
{
    static const QByteArray specials = "!#$%&'*+-.^_`|~";
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
               specials.contains(c);
    });
}

bool hasLineBreakOrNul(QStringView text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c == u'\r' || c == u'\n' || c == u'\0'; });
}

bool isWebScheme(const QUrl &url)
{
    return url.scheme() == u"http" || url.scheme() == u"https";
}

bool sameOrigin(const QUrl &a, const QUrl &b)
{
    const int defaultPort = a.scheme() == u"https" ? 443 : 80;
    return a.scheme() == b.scheme() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           a.port(defaultPort) == b.port(defaultPort);
}

QString decodeBody(const QByteArray &body, const QByteArray &contentType)
{
    if (body.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(body.mid(3));
    if (body.startsWith("\xFF\xFE") || body.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringDecoder::Utf16);
        return utf16(body);
    }
    static const QRegularExpression charsetRe(QStringLiteral("charset\\s*=\\s*\"?([^\";\\s]+)"),
                                              QRegularExpression::CaseInsensitiveOption);
    const QString charset = charsetRe.match(QString::fromLatin1(contentType)).captured(1).toLower();
    if (charset.isEmpty() || charset == u"utf-8" || charset == u"utf8")
        return QString::fromUtf8(body);
    // Servers that say Latin-1 or ASCII mean Windows-1252 in practice.
    if (charset == u"windows-1252" || charset == u"iso-8859-1" || charset == u"latin1" ||
        charset == u"us-ascii" || charset == u"cp1252")
        return Ansi::toUnicode(body);
    const QByteArray name = charset.toLatin1();
    QStringDecoder decoder(name.constData());
    if (decoder.isValid())
        return decoder(body);
    return QString::fromUtf8(body);
}

} // namespace

// Inflates a gzip or deflate answer as it arrives. Qt would do this itself,
// but it hands back the raw bytes with a 200 when the stream is damaged and
// judges bombs by ratio rather than by our cap; asking for the encoding
// ourselves turns its decompression off.
struct WebRequest::Decoder
{
    explicit Decoder(bool gzip) : m_gzip(gzip) {}
    ~Decoder()
    {
        if (m_ready)
            inflateEnd(&m_z);
    }
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    // Appends what `in` inflates to; stops early once `out` is longer than
    // `limit`. False when the stream is damaged.
    bool feed(QByteArrayView in, QByteArray &out, qint64 limit)
    {
        if (in.isEmpty())
            return true;
        if (!m_ready) {
            // "deflate" is meant as a zlib stream, but some servers send it
            // raw; a zlib header is two bytes with a checksum, so look first.
            m_head += in;
            if (!m_gzip && m_head.size() < 2)
                return true;
            int bits = MAX_WBITS + 16;
            if (!m_gzip) {
                const auto b0 = quint8(m_head.at(0)), b1 = quint8(m_head.at(1));
                bits = (b0 & 0x0F) == Z_DEFLATED && (b0 * 256 + b1) % 31 == 0 ? MAX_WBITS : -MAX_WBITS;
            }
            if (inflateInit2(&m_z, bits) != Z_OK)
                return false;
            m_ready = true;
            const QByteArray head = std::exchange(m_head, {});
            return inflateAll(head, out, limit);
        }
        return inflateAll(in, out, limit);
    }

    // True when the stream ended properly, or nothing came at all (a 204, a
    // HEAD, an empty body).
    bool complete() const { return m_ended || (!m_ready && m_head.isEmpty()); }

private:
    bool inflateAll(QByteArrayView in, QByteArray &out, qint64 limit)
    {
        constexpr qsizetype Chunk = 64 * 1024;
        while (!in.isEmpty()) {
            if (m_ended) {
                // Concatenated gzip members form one answer; anything after a
                // zlib or raw stream is damage.
                if (!m_gzip || inflateReset(&m_z) != Z_OK)
                    return false;
                m_ended = false;
            }
            const qsizetype slice = std::min<qsizetype>(in.size(), 1 << 30);
            m_z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.data()));
            m_z.avail_in = uInt(slice);
            int rc = Z_OK;
            do {
                const qsizetype before = out.size();
                out.resize(before + Chunk);
                m_z.next_out = reinterpret_cast<Bytef *>(out.data() + before);
                m_z.avail_out = uInt(Chunk);
                rc = inflate(&m_z, Z_NO_FLUSH);
                out.resize(before + Chunk - qsizetype(m_z.avail_out));
                if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
                    return false;
                if (out.size() > limit)
                    return true; // the caller sees the size and stops
            } while (rc == Z_OK && (m_z.avail_in > 0 || m_z.avail_out == 0));
            if (rc == Z_STREAM_END)
                m_ended = true;
            in = in.sliced(slice - qsizetype(m_z.avail_in));
            if (rc == Z_BUF_ERROR && m_z.avail_in > 0)
                return false;
        }
        return true;
    }

    bool m_gzip;
    bool m_ready = false;
    bool m_ended = false;
    QByteArray m_head;
    z_stream m_z{};
};

WebRequest::WebRequest(QObject *parent) : QObject(parent)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        fail(WebRequestError::Kind::Timeout, QStringLiteral("No complete answer from %1 within %2 seconds")
                                                 .arg(where())
                                                 .arg(m_deadlineMs / 1000.0));
    });
}

WebRequest::~WebRequest()
{
    abort();
}

void WebRequest::reset()
{
    m_status = 0;
    m_statusText.clear();
    m_body.clear();
    m_responseHeaders.clear();
    m_failure.reset();
    m_xml.reset();
}

void WebRequest::refuseWhileBusy(const char *operation) const
{
    if (busy())
        throw WebRequestError(WebRequestError::Kind::Busy,
                              QStringLiteral("Another request is still running on this object"),
                              QLatin1String(operation));
}

void WebRequest::open(const QString &method, const QString &url, bool async)
{
    refuseWhileBusy("WebRequest.open");
    const QByteArray name = method.trimmed().toUpper().toLatin1();
    if (!isToken(name))
        throw WebRequestError(WebRequestError::Kind::InvalidRequest,
                              QStringLiteral("\"%1\" is not an HTTP method").arg(method.left(40)),
                              QStringLiteral("WebRequest.open"));
    abort();
    reset();
    m_method = name;
    m_url = url;
    m_hopUrl.clear();
    m_async = async;
    m_headers.clear();
    m_readyState = 1;
}

void WebRequest::setRequestHeader(const QString &name, const QString &value)
{
    refuseWhileBusy("WebRequest.setRequestHeader");
    const QByteArray key = name.toLatin1();
    // A line break would let a value smuggle in headers of its own (or end
    // the head early and turn the rest into a body); Qt passes them through.
    if (!isToken(key) || hasLineBreakOrNul(name) || hasLineBreakOrNul(value))
        throw WebRequestError(WebRequestError::Kind::InvalidRequest,
                              QStringLiteral("The header \"%1\" has a name or value that cannot be sent")
                                  .arg(QString::fromLatin1(key.left(40)).toHtmlEscaped()),
                              QStringLiteral("WebRequest.setRequestHeader"));
    // Setting a header twice keeps its first place, as a browser does.
    for (auto &h : m_headers) {
        if (h.first.compare(key, Qt::CaseInsensitive) == 0) {
            h.second = value.toUtf8();
            return;
        }
    }
    m_headers.append({key, value.toUtf8()});
}

void WebRequest::send()
{
    start(nullptr);
}

void WebRequest::send(const QString &body)
{
    const QByteArray bytes = body.toUtf8();
    start(&bytes);
}

void WebRequest::sendBytes(const QByteArray &body)
{
    start(&body);
}

void WebRequest::start(const QByteArray *body)
{
    refuseWhileBusy("WebRequest.send");
    if (m_readyState != 1)
        throw WebRequestError(WebRequestError::Kind::InvalidRequest,
                              QStringLiteral("send called before open"));
    const QUrl url(m_url);
    // Only web addresses go out; a file: or data: address is never read.
    if (!url.isValid() || !isWebScheme(url) || url.host().isEmpty())
        throw WebRequestError(WebRequestError::Kind::InvalidRequest,
                              QStringLiteral("Only http and https addresses can be requested"));
    reset();

    m_hopUrl = url;
    m_hopMethod = m_method;
    m_hopHeaders = m_headers;
    m_hopBody.reset();
    if (body)
        m_hopBody = *body;
    m_redirects = 0;
    if (m_deadlineMs > 0)
        m_deadline.start(m_deadlineMs);
    issue();
    m_readyState = 2;
    if (m_async)
        return;

    QPointer<WebRequest> self(this);
    QEventLoop loop;
    connect(this, &WebRequest::completed, &loop, &QEventLoop::quit);
    {
        // Cleared however the wait ends, or the object would stay busy for ever.
        struct Waiting
        {
            QPointer<WebRequest> &request;
            ~Waiting()
            {
                if (request)
                    request->m_loop = nullptr;
            }
        } waiting{self};
        m_loop = &loop;
        loop.exec();
    }
    if (!self)
        throw WebRequestError(WebRequestError::Kind::Aborted, QStringLiteral("The request was aborted"));
    if (m_readyState != 4)
        throw WebRequestError(WebRequestError::Kind::Aborted, QStringLiteral("The request was aborted"));
    if (m_failure)
        throw *m_failure;
}

void WebRequest::issue()
{
    m_hopHeadersSeen = false;
    m_hopIsRedirect = false;
    m_rawBytes = 0;
    m_decoder.reset();
    m_body.clear();

    HttpExchange::Request request;
    request.url = m_hopUrl;
    request.method = m_hopMethod;
    request.silenceMs = m_timeoutMs;
    if (m_hopBody)
        request.body = *m_hopBody;
    bool acceptEncoding = false;
    for (const auto &h : m_hopHeaders) {
        // Callers count the body in characters; the wire needs bytes.
        if (h.first.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            if (!request.body)
                request.body = QByteArray();
            request.headers.append({h.first, QByteArray::number(request.body->size())});
        } else {
            request.headers.append(h);
        }
        acceptEncoding = acceptEncoding || h.first.compare("Accept-Encoding", Qt::CaseInsensitive) == 0;
    }
    if (!acceptEncoding)
        request.headers.append({QByteArray("Accept-Encoding"), QByteArray("gzip, deflate")});

    auto *exchange = new HttpExchange(std::move(request), this);
    m_exchange = exchange;
    connect(exchange, &HttpExchange::headReceived, this, [this, exchange] { onHeaders(exchange); });
    connect(exchange, &HttpExchange::bodyReceived, this,
            [this, exchange](const QByteArray &chunk) { onData(exchange, chunk); });
    connect(exchange, &HttpExchange::finished, this, [this, exchange] { finish(exchange); });
    connect(exchange, &HttpExchange::failed, this,
            [this, exchange](WebRequestError::Kind kind, const QString &description) {
                if (exchange == m_exchange)
                    fail(kind, description);
            });
    exchange->start();
}

QString WebRequest::where() const
{
    // Error texts end up in reports; tokens travel in the query, so it stays out.
    const QUrl url = m_hopUrl.isEmpty() ? QUrl(m_url) : m_hopUrl;
    return url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo | QUrl::RemoveFragment);
}

void WebRequest::onHeaders(HttpExchange *exchange)
{
    if (exchange != m_exchange || m_hopHeadersSeen)
        return;
    m_hopHeadersSeen = true;
    const int status = exchange->status();
    m_hopIsRedirect = (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) &&
                      !exchange->header("Location").isNull();

    const QByteArray length = exchange->header("Content-Length");
    bool known = false;
    const qint64 declared = length.trimmed().toLongLong(&known);
    if (known && declared > m_maxAnswerBytes && m_hopMethod != "HEAD") {
        fail(WebRequestError::Kind::TooLarge,
             QStringLiteral("The answer from %1 is larger than %2 bytes").arg(where()).arg(m_maxAnswerBytes));
        return;
    }

    // A redirect's own body is thrown away, so it is only counted.
    const QByteArray encoding = exchange->header("Content-Encoding").trimmed().toLower();
    if (m_hopIsRedirect || encoding.isEmpty() || encoding == "identity")
        return;
    if (encoding == "gzip" || encoding == "x-gzip" || encoding == "deflate") {
        m_decoder = std::make_unique<Decoder>(encoding != "deflate");
        return;
    }
    fail(WebRequestError::Kind::Decoding,
         QStringLiteral("The answer from %1 came in an encoding that cannot be read").arg(where()));
}

void WebRequest::onData(HttpExchange *exchange, const QByteArray &chunk)
{
    if (exchange != m_exchange)
        return;
    m_rawBytes += chunk.size();
    bool intact = true;
    if (m_decoder)
        intact = m_decoder->feed(chunk, m_body, m_maxAnswerBytes);
    else if (!m_hopIsRedirect)
        m_body += chunk;
    if (!intact) {
        fail(WebRequestError::Kind::Decoding,
             QStringLiteral("The compressed answer from %1 is damaged").arg(where()));
    } else if (m_rawBytes > m_maxAnswerBytes || m_body.size() > m_maxAnswerBytes) {
        fail(WebRequestError::Kind::TooLarge,
             QStringLiteral("The answer from %1 is larger than %2 bytes").arg(where()).arg(m_maxAnswerBytes));
    }
}

void WebRequest::finish(HttpExchange *exchange)
{
    if (exchange != m_exchange)
        return;
    if (m_decoder && !m_decoder->complete()) {
        fail(WebRequestError::Kind::Decoding,
             QStringLiteral("The compressed answer from %1 is incomplete").arg(where()));
        return;
    }
    const int status = exchange->status();
    if (m_hopIsRedirect) {
        const QByteArray location = exchange->header("Location");
        dropReply();
        followRedirect(status, location);
        return;
    }
    m_status = status;
    m_statusText = exchange->reasonPhrase();
    m_responseHeaders = exchange->headers();
    dropReply();
    m_deadline.stop();
    m_readyState = 4;
    emit completed();
}

void WebRequest::followRedirect(int status, const QByteArray &location)
{
    const QUrl target = m_hopUrl.resolved(QUrl(QString::fromUtf8(location.trimmed())));
    if (++m_redirects > MaxRedirects) {
        fail(WebRequestError::Kind::Redirect, QStringLiteral("%1 redirects too often").arg(where()));
        return;
    }
    if (!target.isValid() || !isWebScheme(target) || target.host().isEmpty() ||
        (m_hopUrl.scheme() == u"https" && target.scheme() == u"http")) {
        fail(WebRequestError::Kind::Redirect,
             QStringLiteral("%1 redirects to an address that is not safe to follow").arg(where()));
        return;
    }
    const auto dropHeaders = [this](std::initializer_list<QByteArrayView> names) {
        m_hopHeaders.removeIf([&](const std::pair<QByteArray, QByteArray> &h) {
            return std::any_of(names.begin(), names.end(), [&](QByteArrayView n) {
                return h.first.compare(n, Qt::CaseInsensitive) == 0;
            });
        });
    };
    const bool crossOrigin = !sameOrigin(m_hopUrl, target);
    // As browsers do: 303 always, and 301 or 302 after a POST, continue as a
    // GET without the body; 307 and 308 repeat the request as it was.
    if ((status == 303 && m_hopMethod != "HEAD") ||
        ((status == 301 || status == 302) && m_hopMethod == "POST")) {
        m_hopMethod = "GET";
        m_hopBody.reset();
        dropHeaders({"Content-Length", "Content-Type"});
    } else if (crossOrigin && m_hopBody && !m_hopBody->isEmpty()) {
        fail(WebRequestError::Kind::Redirect,
             QStringLiteral("%1 redirects its request body to another site").arg(where()));
        return;
    }
    // Credentials were meant for the site the caller named, not for whoever
    // it points us to.
    if (crossOrigin)
        dropHeaders({"Authorization", "Proxy-Authorization", "Cookie"});
    m_hopUrl = target;
    issue();
}

void WebRequest::fail(WebRequestError::Kind kind, const QString &description)
{
    dropReply();
    m_deadline.stop();
    m_decoder.reset();
    m_body.clear();
    m_failure = std::make_unique<WebRequestError>(kind, description);
    m_readyState = 4;
    emit completed();
}

void WebRequest::dropReply()
{
    HttpExchange *exchange = m_exchange;
    m_exchange = nullptr;
    if (exchange) {
        exchange->disconnect(this);
        exchange->abort();
        exchange->deleteLater();
    }
}

void WebRequest::abort()
{
    dropReply();
    m_deadline.stop();
    m_decoder.reset();
    m_readyState = 0;
    if (m_loop)
        m_loop->quit();
}

QString WebRequest::getResponseHeader(const QString &name) const
{
    const QByteArray key = name.toLatin1();
    for (const auto &h : m_responseHeaders) {
        if (h.first.compare(key, Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(h.second);
    }
    return {};
}

QString WebRequest::responseText() const
{
    return decodeBody(m_body, getResponseHeader(QStringLiteral("Content-Type")).toLatin1());
}

const pugi::xml_document &WebRequest::responseXML() const
{
    if (!m_xml) {
        m_xml = std::make_unique<pugi::xml_document>();
        if (!m_xml->load_buffer(m_body.constData(), size_t(m_body.size())))
            m_xml->reset();
    }
    return *m_xml;
}

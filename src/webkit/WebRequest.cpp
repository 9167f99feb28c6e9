#include "webkit/WebRequest.h"

#include "webkit/Ansi.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

#include <pugixml.hpp>

namespace {

WebRequestError::Kind kindOf(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return WebRequestError::Kind::Refused;
    case QNetworkReply::HostNotFoundError:
        return WebRequestError::Kind::HostNotFound;
    case QNetworkReply::SslHandshakeFailedError:
        return WebRequestError::Kind::Tls;
    // Our own abort() disconnects before it cancels, so a cancellation seen
    // here is the transfer time-out firing.
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        return WebRequestError::Kind::Timeout;
    default:
        return WebRequestError::Kind::Other;
    }
}

// Errors below 200 are the network's and the proxy's: no complete answer
// came back. Higher ones only restate an HTTP status the caller can read.
bool isTransportError(QNetworkReply::NetworkError error)
{
    return error != QNetworkReply::NoError && int(error) < 200;
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

WebRequest::WebRequest(QObject *parent) : QObject(parent), m_network(new QNetworkAccessManager(this))
{
    // Answers are read whatever they say; following a redirect is what a
    // browser-like client does, but never from https down to http.
    m_network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
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

void WebRequest::open(const QString &method, const QString &url, bool async)
{
    abort();
    reset();
    m_method = method.trimmed().toUpper().toLatin1();
    m_url = url;
    m_async = async;
    m_headers.clear();
    m_readyState = 1;
}

void WebRequest::setRequestHeader(const QString &name, const QString &value)
{
    const QByteArray key = name.toLatin1();
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
    if (m_readyState != 1)
        throw WebRequestError(WebRequestError::Kind::Other, QStringLiteral("send called before open"));
    reset();

    QNetworkRequest request{QUrl(m_url)};
    request.setTransferTimeout(m_timeoutMs);
    QByteArray payload = body ? *body : QByteArray();
    for (const auto &h : m_headers) {
        // Callers count the body in characters; the wire needs bytes.
        if (h.first.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            request.setRawHeader(h.first, QByteArray::number(payload.size()));
            if (!body)
                body = &payload;
        } else {
            request.setRawHeader(h.first, h.second);
        }
    }

    QNetworkReply *reply = body ? m_network->sendCustomRequest(request, m_method, payload)
                                : m_network->sendCustomRequest(request, m_method);
    m_reply = reply;
    m_readyState = 2;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(reply); });
    if (m_async)
        return;

    QPointer<WebRequest> self(this);
    QEventLoop loop;
    connect(this, &WebRequest::completed, &loop, &QEventLoop::quit);
    if (m_readyState != 4) {
        m_loop = &loop;
        loop.exec();
    }
    if (!self)
        throw WebRequestError(WebRequestError::Kind::Aborted, QStringLiteral("The request was aborted"));
    m_loop = nullptr;
    if (m_readyState != 4)
        throw WebRequestError(WebRequestError::Kind::Aborted, QStringLiteral("The request was aborted"));
    if (m_failure)
        throw *m_failure;
}

void WebRequest::finish(QNetworkReply *reply)
{
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    reply->deleteLater();

    const QVariant code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (isTransportError(reply->error()) || !code.isValid()) {
        const auto kind = kindOf(reply->error());
        // Error texts end up in reports; tokens travel in the query, so it stays out.
        const QString where =
            QUrl(m_url).toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo | QUrl::RemoveFragment);
        const QString what =
            kind == WebRequestError::Kind::Timeout
                ? QStringLiteral("No answer from %1 within %2 seconds").arg(where).arg(m_timeoutMs / 1000.0)
                : QStringLiteral("%1: %2").arg(where, reply->errorString());
        m_failure = std::make_unique<WebRequestError>(kind, what);
    } else {
        m_status = code.toInt();
        m_statusText = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        m_body = reply->readAll();
        m_responseHeaders = reply->rawHeaderPairs();
    }
    m_readyState = 4;
    emit completed();
}

void WebRequest::abort()
{
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    if (reply) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
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

#include "webkit/OAuth1Signature.h"

#include "webkit/hs1.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QUrl>

#include <algorithm>

namespace {

QString formDecoded(QString text)
{
    text.replace(u'+', u' ');
    return QUrl::fromPercentEncoding(text.toUtf8());
}

} // namespace

QByteArray OAuth1Signature::rfc3986(const QString &text)
{
    return text.toUtf8().toPercentEncoding(QByteArray(), QByteArray(), '%');
}

OAuth1Signature::OAuth1Signature(QString method, QString url, QString consumerSecret, QString tokenSecret)
    : m_method(std::move(method)), m_url(std::move(url)), m_consumerSecret(std::move(consumerSecret)),
      m_tokenSecret(std::move(tokenSecret))
{
    const qsizetype query = m_url.indexOf(u'?');
    if (query < 0)
        return;
    const QString pairs = m_url.mid(query + 1).section(u'#', 0, 0);
    for (const QString &pair : pairs.split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf(u'=');
        m_parameters.append({formDecoded(pair.left(eq)), eq < 0 ? QString() : formDecoded(pair.mid(eq + 1))});
    }
}

void OAuth1Signature::addParameter(const QString &name, const QString &value)
{
    m_parameters.append({name, value});
}

QByteArray OAuth1Signature::baseUrl() const
{
    const qsizetype schemeEnd = m_url.indexOf(u"://");
    const QString scheme = m_url.left(schemeEnd).toLower();
    const qsizetype hostStart = schemeEnd < 0 ? 0 : schemeEnd + 3;
    qsizetype pathStart = hostStart;
    while (pathStart < m_url.size() && !QStringView(u"/?#").contains(m_url.at(pathStart)))
        ++pathStart;
    QString host = m_url.mid(hostStart, pathStart - hostStart).toLower();
    if ((scheme == u"http" && host.endsWith(u":80")) || (scheme == u"https" && host.endsWith(u":443")))
        host.truncate(host.lastIndexOf(u':'));
    qsizetype pathEnd = pathStart;
    while (pathEnd < m_url.size() && m_url.at(pathEnd) != u'?' && m_url.at(pathEnd) != u'#')
        ++pathEnd;
    QString path = m_url.mid(pathStart, pathEnd - pathStart);
    if (path.isEmpty())
        path = QStringLiteral("/");
    return (scheme + u"://" + host + path).toUtf8();
}

QByteArray OAuth1Signature::baseString() const
{
    QList<std::pair<QByteArray, QByteArray>> encoded;
    encoded.reserve(m_parameters.size());
    for (const auto &[name, value] : m_parameters)
        encoded.append({m_encode(name), m_encode(value)});
    std::sort(encoded.begin(), encoded.end());
    QByteArray parameters;
    for (const auto &[name, value] : std::as_const(encoded))
        parameters += (parameters.isEmpty() ? "" : "&") + name + '=' + value;
    return m_method.toUpper().toUtf8() + '&' + m_encode(QString::fromUtf8(baseUrl())) + '&' +
           m_encode(QString::fromLatin1(parameters));
}

QByteArray OAuth1Signature::signingKey() const
{
    return m_encode(m_consumerSecret) + '&' + m_encode(m_tokenSecret);
}

QString OAuth1Signature::hmacSha1() const
{
    hs1 mac;
    mac.InitHmac(signingKey());
    return hs1::Encode(mac.HmacSha1(baseString()), hs1::Base64, hs1::NoBreaks);
}

QByteArray OAuth1Signature::signedQuery(const QList<std::pair<QString, QString>> &parameters)
{
    QByteArray query;
    for (const auto &[name, value] : parameters) {
        addParameter(name, value);
        query += m_encode(name) + '=' + m_encode(value) + '&';
    }
    return query + "oauth_signature=" + m_encode(hmacSha1());
}

QList<std::pair<QString, QString>> OAuth1Signature::protocolParameters(const QString &consumerKey,
                                                                       const QString &token)
{
    QList<std::pair<QString, QString>> parameters{
        {QStringLiteral("oauth_consumer_key"), consumerKey},
        {QStringLiteral("oauth_nonce"),
         QString::number(QRandomGenerator::global()->bounded(9876600) + 123400)}};
    if (!token.isEmpty())
        parameters.append({QStringLiteral("oauth_token"), token});
    parameters.append(
        {QStringLiteral("oauth_timestamp"), QString::number(QDateTime::currentSecsSinceEpoch())});
    parameters.append({QStringLiteral("oauth_signature_method"), QStringLiteral("HMAC-SHA1")});
    parameters.append({QStringLiteral("oauth_version"), QStringLiteral("1.0")});
    return parameters;
}

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// One OAuth 1.0 request signature with HMAC-SHA1: the method, the address,
// the consumer and token secrets and the request's parameters go in; the
// signature base string and the signature come out. Every request the
// program signs goes through here, so each rule of the base string lives in
// one place.
//
// Parameters are given decoded, in any order; the parameters of the
// address's own query are added to them (decoded as a form is: "+" is a
// blank). The base string sorts them by encoded name, then encoded value, and
// takes the address without query or fragment, its scheme and host in lower
// case and a default port left out.
class OAuth1Signature
{
public:
    // Percent-encodes one text for the base string and the signing key.
    using Encoder = QByteArray (*)(const QString &);

    // Unreserved characters (letters, digits, "-", ".", "_", "~") pass; every
    // other UTF-8 byte becomes "%XX" in upper-case hex.
    static QByteArray rfc3986(const QString &text);

    OAuth1Signature(QString method, QString url, QString consumerSecret, QString tokenSecret = {});

    void addParameter(const QString &name, const QString &value);
    // The encoding the service expects. The default, rfc3986, is the
    // protocol's own; a service that has always been sent another one keeps
    // getting it, as long as its query is encoded the same way.
    void setEncoder(Encoder encoder) { m_encode = encoder; }

    QByteArray baseString() const;
    QByteArray signingKey() const;
    // Base64, "=" padding kept; not yet encoded for the query.
    QString hmacSha1() const;

    // Adds `parameters` and writes them, encoded, as the query of a request
    // that carries its OAuth parameters there: in the order given, the
    // signature last.
    QByteArray signedQuery(const QList<std::pair<QString, QString>> &parameters);

    // The protocol's own parameters for a request signed with `token` (none
    // for a request token), in the order the program's requests send them,
    // with a fresh nonce of six or seven digits and the current time.
    static QList<std::pair<QString, QString>> protocolParameters(const QString &consumerKey,
                                                                 const QString &token);

private:
    QByteArray baseUrl() const;

    QString m_method;
    QString m_url;
    QString m_consumerSecret;
    QString m_tokenSecret;
    QList<std::pair<QString, QString>> m_parameters;
    Encoder m_encode = &rfc3986;
};

#include "webkit/TokenRenewal.h"

#include "webkit/Json.h"
#include "webkit/WebRequest.h"

#include <QUrl>

namespace {

QString encoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

} // namespace

RenewedTokens tokenAnswer(const WebRequest &request)
{
    const JsonValue tokens = ParseJson(request.responseText()).value;
    RenewedTokens renewed;
    renewed.status = request.status();
    renewed.accessToken = tokens.Item(u"access_token").toString();
    renewed.refreshToken = tokens.Item(u"refresh_token").toString();
    renewed.authenticationToken = tokens.Item(u"authentication_token").toString();
    renewed.expiresIn = tokens.Item(u"expires_in").toInt();
    return renewed;
}

RenewedTokens renewGoogleToken(WebRequest &request, const QString &accountsHost, const QString &clientId,
                               const QString &clientSecret, const QString &refreshToken)
{
    const QString body = u"refresh_token=" + encoded(refreshToken) + u"&client_id=" + encoded(clientId) +
                         u"&client_secret=" + encoded(clientSecret) + u"&grant_type=refresh_token";
    request.open(QStringLiteral("POST"), accountsHost + u"/o/oauth2/token");
    request.setRequestHeader(QStringLiteral("Content-Type"),
                             QStringLiteral("application/x-www-form-urlencoded"));
    request.setRequestHeader(QStringLiteral("Content-Length"), QString::number(body.size()));
    request.setRequestHeader(QStringLiteral("GData-Version"), QStringLiteral("1.4"));
    request.send(body);
    return tokenAnswer(request);
}

RenewedTokens renewLiveToken(WebRequest &request, const ServiceConfig::Live &live,
                             const QString &refreshToken)
{
    const QString address = live.login + u"/oauth20_token.srf?client_id=" + encoded(live.clientId) +
                            u"&redirect_uri=" + live.login + u"/oauth20_desktop.srf" +
                            u"&grant_type=refresh_token&refresh_token=" + encoded(refreshToken);
    request.open(QStringLiteral("get"), address);
    request.setRequestHeader(QStringLiteral("Content-Type"),
                             QStringLiteral("application/x-www-form-urlencoded"));
    request.setRequestHeader(QStringLiteral("Content-Length"), QString::number(address.size()));
    request.send();
    return tokenAnswer(request);
}

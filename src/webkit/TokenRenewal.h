#pragma once

#include "webkit/ServiceConfig.h"

#include <QString>

class WebRequest;

// What a service answered when asked to renew an OAuth 2.0 access token
// from the refresh token the sign-in stored.
struct RenewedTokens
{
    int status = 0;
    QString accessToken; // empty when the service refused
    QString refreshToken;
    QString authenticationToken;
    int expiresIn = 0;
};

// The tokens of the answer `request` holds, to a renewal or to the exchange
// of a sign-in's code, which answers in the same shape.
RenewedTokens tokenAnswer(const WebRequest &request);

// The one renewal each OAuth 2.0 service has, for the connectors and the
// background uploader alike; each sends on `request` and raises
// WebRequestError when no answer came. Values travel percent-encoded (UTF-8),
// as a form value or a query value must: a refresh token holds "/" or "*"
// that would otherwise be read as something else.

// Google: a form posted to the accounts host, with the client id and secret
// the sign-in used.
RenewedTokens renewGoogleToken(WebRequest &request, const QString &accountsHost, const QString &clientId,
                               const QString &clientSecret, const QString &refreshToken);

// Live: a query sent to the login host with the desktop redirect address.
RenewedTokens renewLiveToken(WebRequest &request, const ServiceConfig::Live &live,
                             const QString &refreshToken);

#pragma once

#include "sandbox/StandinRequest.h"

#include <QChar>
#include <QJsonObject>
#include <QString>
#include <QStringList>

class SandboxStore;

// The tokens a service's sign-in stand-in issues and its other stand-ins
// (an upload host, say) check, kept in the service's state as
//   "tokens": { "<token>": { "secret": "", "account": "<id>", "expired": false, "scope": [...] } }
namespace Tokens {

// A fresh token: `prefix` then letters and digits only, so it survives any
// query string unescaped.
QString newToken(const QString &prefix, int length = 32);

// The scopes a decision grants out of those asked (`asked` split at `separator`).
QStringList grantedScopes(const QString &decision, const QString &asked, QChar separator);

// Keeps a token for `account` with the scopes granted.
void issueToken(QJsonObject &state, const QString &token, const QString &account, const QStringList &scope);

enum class TokenState
{
    Valid,
    Unknown,
    Expired
};
// How a presented token stands; the account and scopes of a valid one.
TokenState checkToken(const QJsonObject &state, const QString &token, QString *account = nullptr,
                      QStringList *scope = nullptr);
// The same against the `service` state in `store`.
TokenState checkToken(const SandboxStore &store, const QString &service, const QString &token,
                      QString *account = nullptr);

// The token of an "Authorization: Bearer …" header; empty when none.
QString bearerToken(const StandinRequest &request);

} // namespace Tokens

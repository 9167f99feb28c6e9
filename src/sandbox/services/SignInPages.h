#pragma once

#include "sandbox/StandinServer.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class SandboxStore;

// What the page-based sign-in stand-ins (Facebook, Google, Live) share: the
// small approve / refuse forms, answers of the usual kinds, and the bearer
// tokens they issue, kept in the service's state as
//   "tokens": { "<token>": { "secret": "", "account": "<id>", "expired": false, "scope": [...] } }
namespace SignInPages {

// A sign-in form: one POST form to `action` with `hidden` fields and one
// button per (decision, caption); decisions are "approve", "refuse", or
// "approve:<scope>,<scope>" to grant only part of what was asked.
QString formPage(const QString &title, const QString &text, const QString &action,
                 const QList<std::pair<QString, QString>> &hidden,
                 const QList<std::pair<QString, QString>> &buttons);
QString page(const QString &title, const QString &text);
QString htmlEscape(const QString &text);
// The page's list of a service's accounts: "<h3>Accounts</h3>" and each
// account's name and id, from the state's "accounts".
QString accountsList(const QJsonObject &state);

StandinAnswer html(int status, const QString &body);
StandinAnswer json(int status, const QByteArray &body);
StandinAnswer json(int status, const QJsonObject &body);
StandinAnswer xml(int status, const QString &body);
StandinAnswer redirect(const QString &location);

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
// Answers POST /sandbox/expire-tokens on `server` by expiring every token, so
// that renewal can be tried by hand as well as from tests.
void installExpireControl(StandinServer &server, SandboxStore &store, const QString &service);
// Answers POST /sandbox/expire on `server`: the form's "token", or every
// token when it names none. Pressed on the sandbox page, it goes back there.
void installPageExpireControl(StandinServer &server, SandboxStore &store, const QString &service);
// The page's list of the tokens in `state`, each shortened, with its account
// ("for <accountLabel><id>") and, unless expired, a button that posts to that
// control on the server at `baseUrl`. Empty when there are none.
QString tokensWithExpireButtons(const QJsonObject &state, const QString &baseUrl, const QString &heading,
                                const QString &accountLabel);

// The token of an "Authorization: Bearer …" header; empty when none.
QString bearerToken(const StandinRequest &request);

} // namespace SignInPages

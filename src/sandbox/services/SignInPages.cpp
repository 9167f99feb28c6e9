#include "sandbox/services/SignInPages.h"

#include "sandbox/SandboxStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>

namespace SignInPages {

QString htmlEscape(const QString &text)
{
    return text.toHtmlEscaped().replace(u'\'', QStringLiteral("&#39;"));
}

QString accountsList(const QJsonObject &state)
{
    QString out = QStringLiteral("<h3>Accounts</h3><ul>");
    const QJsonObject accounts = state.value(u"accounts").toObject();
    for (auto it = accounts.begin(); it != accounts.end(); ++it)
        out += u"<li>" + htmlEscape(it.value().toObject().value(u"name").toString()) + u" (" +
               htmlEscape(it.key()) + u")</li>";
    return out + u"</ul>";
}

QString page(const QString &title, const QString &text)
{
    return u"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + htmlEscape(title) +
           u"</title></head>\n<body><p>" + htmlEscape(text) + u"</p></body></html>\n";
}

QString formPage(const QString &title, const QString &text, const QString &action,
                 const QList<std::pair<QString, QString>> &hidden,
                 const QList<std::pair<QString, QString>> &buttons)
{
    QString out = u"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + htmlEscape(title) +
                  u"</title></head>\n<body><h1>" + htmlEscape(title) + u"</h1><p>" + htmlEscape(text) +
                  u"</p>\n<form method=\"post\" action=\"" + htmlEscape(action) + u"\">\n";
    for (const auto &[name, value] : hidden)
        out += u"<input type=\"hidden\" name=\"" + htmlEscape(name) + u"\" value=\"" + htmlEscape(value) +
               u"\">\n";
    for (const auto &[decision, caption] : buttons)
        out += u"<button name=\"decision\" value=\"" + htmlEscape(decision) + u"\">" + htmlEscape(caption) +
               u"</button>\n";
    return out + u"</form></body></html>\n";
}

StandinAnswer html(int status, const QString &body)
{
    return StandinAnswer{status, {{"Content-Type", "text/html; charset=utf-8"}}, body.toUtf8()};
}

StandinAnswer json(int status, const QByteArray &body)
{
    return StandinAnswer{status, {{"Content-Type", "application/json; charset=UTF-8"}}, body};
}

StandinAnswer json(int status, const QJsonObject &body)
{
    return json(status, QJsonDocument(body).toJson(QJsonDocument::Compact));
}

StandinAnswer xml(int status, const QString &body)
{
    return StandinAnswer{status, {{"Content-Type", "text/xml; charset=utf-8"}}, body.toUtf8()};
}

StandinAnswer redirect(const QString &location)
{
    return StandinAnswer{302, {{"Location", location.toUtf8()}, {"Content-Type", "text/html"}}, QByteArray()};
}

QString newToken(const QString &prefix, int length)
{
    static constexpr char16_t alphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString out = prefix;
    for (int i = 0; i < length; ++i)
        out += QChar(alphabet[QRandomGenerator::global()->bounded(62)]);
    return out;
}

QStringList grantedScopes(const QString &decision, const QString &asked, QChar separator)
{
    const QStringList wanted = asked.split(separator, Qt::SkipEmptyParts);
    if (!decision.startsWith(u"approve:"))
        return wanted;
    const QStringList allowed = decision.mid(8).split(u',', Qt::SkipEmptyParts);
    QStringList out;
    for (const QString &scope : wanted) {
        if (allowed.contains(scope))
            out.append(scope);
    }
    return out;
}

void issueToken(QJsonObject &state, const QString &token, const QString &account, const QStringList &scope)
{
    QJsonObject tokens = state.value(u"tokens").toObject();
    tokens.insert(token, QJsonObject{{QStringLiteral("secret"), QString()},
                                     {QStringLiteral("account"), account},
                                     {QStringLiteral("expired"), false},
                                     {QStringLiteral("scope"), QJsonArray::fromStringList(scope)}});
    state.insert(QStringLiteral("tokens"), tokens);
}

TokenState checkToken(const QJsonObject &state, const QString &token, QString *account, QStringList *scope)
{
    const QJsonObject entry = state.value(u"tokens").toObject().value(token).toObject();
    if (token.isEmpty() || entry.isEmpty())
        return TokenState::Unknown;
    if (entry.value(u"expired").toBool())
        return TokenState::Expired;
    if (account)
        *account = entry.value(u"account").toString();
    if (scope) {
        scope->clear();
        for (const QJsonValue &s : entry.value(u"scope").toArray())
            scope->append(s.toString());
    }
    return TokenState::Valid;
}

void installExpireControl(StandinServer &server, SandboxStore &store, const QString &service)
{
    server.answer("POST", "/sandbox/expire-tokens", [&store, service](const StandinRequest &) {
        const int count = store.expireTokens(service);
        return StandinAnswer{
            200, {{"Content-Type", "text/plain"}}, "expired " + QByteArray::number(count) + '\n'};
    });
}

void installPageExpireControl(StandinServer &server, SandboxStore &store, const QString &service)
{
    server.answer("POST", "/sandbox/expire", [&store, service](const StandinRequest &r) {
        const QString token = r.formValue(QStringLiteral("token"));
        const int count =
            token.isEmpty() ? store.expireTokens(service) : int(store.expireToken(service, token));
        const QByteArray from = r.header("Referer");
        if (from.startsWith("http://127.0.0.1:"))
            return StandinAnswer{303, {{"Location", from}}, {}, {}};
        return html(200, page(service + u" sandbox", QStringLiteral("%1 token(s) expired.").arg(count)));
    });
}

QString tokensWithExpireButtons(const QJsonObject &state, const QString &baseUrl, const QString &heading,
                                const QString &accountLabel)
{
    const QJsonObject tokens = state.value(u"tokens").toObject();
    if (tokens.isEmpty())
        return {};
    QString out = u"<p>" + heading.toHtmlEscaped() + u"</p><ul>";
    for (auto it = tokens.begin(); it != tokens.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        // Enough of the token to tell it apart on the page, not to use it.
        out += u"<li>" + it.key().left(4).toHtmlEscaped() + u"… for " + accountLabel.toHtmlEscaped() +
               entry.value(u"account").toString().toHtmlEscaped();
        if (entry.value(u"expired").toBool())
            out += QStringLiteral(" (expired)");
        else
            out += u" <form style=\"display:inline\" method=\"post\" action=\"" + baseUrl.toHtmlEscaped() +
                   u"/sandbox/expire\"><input type=\"hidden\" name=\"token\" value=\"" +
                   it.key().toHtmlEscaped() + u"\"><button>Expire</button></form>";
        out += QStringLiteral("</li>");
    }
    return out + u"</ul>";
}

QString bearerToken(const StandinRequest &request)
{
    const QString header = QString::fromLatin1(request.header("Authorization")).trimmed();
    if (!header.startsWith(u"Bearer ", Qt::CaseInsensitive))
        return {};
    return header.mid(7).trimmed();
}

} // namespace SignInPages

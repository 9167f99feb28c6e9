#include "sandbox/services/Tokens.h"

#include "sandbox/SandboxStore.h"

#include <QJsonArray>
#include <QRandomGenerator>

namespace Tokens {

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

TokenState checkToken(const SandboxStore &store, const QString &service, const QString &token,
                      QString *account)
{
    return checkToken(store.state(service), token, account);
}

QString bearerToken(const StandinRequest &request)
{
    const QString header = QString::fromLatin1(request.header("Authorization")).trimmed();
    if (!header.startsWith(u"Bearer ", Qt::CaseInsensitive))
        return {};
    return header.mid(7).trimmed();
}

} // namespace Tokens

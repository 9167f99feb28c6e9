#include "sandbox/services/LiveService.h"

#include "sandbox/SandboxStore.h"
#include "sandbox/StandinServer.h"
#include "sandbox/services/Pages.h"
#include "sandbox/services/Tokens.h"
#include "webkit/ServiceConfig.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

using namespace Pages;
using namespace Tokens;

namespace {

const QString kService = QStringLiteral("Live");

StandinAnswer oauthError(const QString &error, const QString &description)
{
    return json(400, QJsonObject{{QStringLiteral("error"), error},
                                 {QStringLiteral("error_description"), description}});
}

StandinAnswer apiError(int status, const QString &code, const QString &message)
{
    return json(status,
                QJsonObject{{QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), code},
                                                                  {QStringLiteral("message"), message}}}});
}

StandinAnswer tokenError(TokenState state)
{
    return state == TokenState::Expired ? apiError(401, QStringLiteral("request_token_expired"),
                                                   QStringLiteral("The provided access token has expired."))
                                        : apiError(401, QStringLiteral("request_token_invalid"),
                                                   QStringLiteral("The provided access token isn't valid."));
}

QString base64Url(const QByteArray &bytes)
{
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

// The authentication token names the user: a signed claim set whose "uid"
// says who signed in (the sandbox does not really sign it).
QString authenticationToken(const QString &account)
{
    const QJsonObject header{{QStringLiteral("alg"), QStringLiteral("HS256")},
                             {QStringLiteral("typ"), QStringLiteral("JWT")}};
    const QJsonObject claims{{QStringLiteral("ver"), 1},
                             {QStringLiteral("uid"), account},
                             {QStringLiteral("exp"), QDateTime::currentSecsSinceEpoch() + 3600}};
    return base64Url(QJsonDocument(header).toJson(QJsonDocument::Compact)) + u'.' +
           base64Url(QJsonDocument(claims).toJson(QJsonDocument::Compact)) + u'.' + newToken(QString(), 43);
}

QJsonObject issueTokens(QJsonObject &state, const QString &account, const QStringList &scope)
{
    const QString access = newToken(QStringLiteral("EwB"), 60);
    issueToken(state, access, account, scope);
    const QString refresh = newToken(QStringLiteral("Cs"), 60);
    QJsonObject refreshTokens = state.value(u"refreshTokens").toObject();
    refreshTokens.insert(refresh, QJsonObject{{QStringLiteral("account"), account},
                                              {QStringLiteral("scope"), QJsonArray::fromStringList(scope)}});
    state.insert(QStringLiteral("refreshTokens"), refreshTokens);
    return QJsonObject{{QStringLiteral("token_type"), QStringLiteral("bearer")},
                       {QStringLiteral("expires_in"), 3600},
                       {QStringLiteral("scope"), scope.join(u' ')},
                       {QStringLiteral("access_token"), access},
                       {QStringLiteral("refresh_token"), refresh},
                       {QStringLiteral("authentication_token"), authenticationToken(account)}};
}

QStringList scopeOf(const QJsonObject &entry)
{
    QStringList out;
    for (const QJsonValue &s : entry.value(u"scope").toArray())
        out.append(s.toString());
    return out;
}

QJsonObject folderResource(const QJsonObject &folder)
{
    return QJsonObject{{QStringLiteral("id"), folder.value(u"id")},
                       {QStringLiteral("name"), folder.value(u"name")},
                       {QStringLiteral("type"), QStringLiteral("album")},
                       {QStringLiteral("count"), 0}};
}

const Pages::Look kLook{QStringLiteral("SkyDrive"), QStringLiteral("#094ab2")};
const QString kFiles = QStringLiteral("LiveUpload"); // where the upload stand-in keeps them

// The folders in Pictures, with the files that arrived; files put straight
// into SkyDrive or Pictures under those names.
QString folders(const SandboxStore &store)
{
    const QJsonArray files = store.state(kFiles).value(u"files").toArray();
    const auto filesIn = [&files](const QString &folder) {
        return Pages::photosOf(files, QStringLiteral("name"), [&folder](const QJsonObject &file) {
            return file.value(u"parent_id").toString() == folder;
        });
    };
    QString out;
    for (const auto &[id, title] :
         {std::pair{QStringLiteral("me/skydrive"), QStringLiteral("SkyDrive")},
          std::pair{QStringLiteral("me/skydrive/my_photos"), QStringLiteral("Pictures")}}) {
        if (const QList<Pages::Photo> loose = filesIn(id); !loose.isEmpty())
            out += Pages::album(title, kFiles, loose);
    }
    out += Pages::folderAlbums(store.state(kService).value(u"folders").toArray(), QStringLiteral("name"),
                               kFiles, filesIn, QStringLiteral("Empty folder."), QStringLiteral("Pictures/"));
    return Pages::orNone(out, QStringLiteral("No folders yet."));
}

} // namespace

void LiveService::configure(ServiceConfig &config, const QString &baseUrl) const
{
    config.live.login = baseUrl;
    config.live.apis = baseUrl;
    config.live.site = baseUrl;
    config.live.clientId = QString::fromUtf16(ClientId);
    config.desktopClients.skyDrive = baseUrl + u"/skydrive";
}

void LiveService::install(StandinServer &server, SandboxStore &store)
{
    const QString desktop = server.baseUrl() + u"/oauth20_desktop.srf";
    const QString clientId = QString::fromUtf16(ClientId);

    const auto checkAuthorize = [clientId, desktop](const QString &id, const QString &redirectUri,
                                                    const QString &responseType) -> QString {
        if (id != clientId)
            return QStringLiteral("The client does not exist.");
        if (redirectUri != desktop)
            return QStringLiteral("The provided value for the input parameter 'redirect_uri' is not valid.");
        if (responseType != u"code")
            return QStringLiteral("The provided value for the input parameter 'response_type' is not valid.");
        return {};
    };

    server.answer("GET", "/oauth20_authorize.srf", [checkAuthorize](const StandinRequest &r) {
        const QString problem = checkAuthorize(r.queryValue(QStringLiteral("client_id")),
                                               r.queryValue(QStringLiteral("redirect_uri")),
                                               r.queryValue(QStringLiteral("response_type")));
        if (!problem.isEmpty())
            return html(400, textPage(QStringLiteral("Sign in"), problem));
        QList<std::pair<QString, QString>> hidden;
        for (const char16_t *name : {u"client_id", u"redirect_uri", u"scope", u"response_type", u"display"})
            hidden.append({QString::fromUtf16(name), r.queryValue(QString::fromUtf16(name))});
        return html(200,
                    formPage(QStringLiteral("Allow access?"),
                             u"Flazz needs your permission to access your info and SkyDrive files, and to "
                             u"do so when you're not there, as " +
                                 QString::fromUtf16(AccountName) + u'.',
                             QStringLiteral("/oauth20_authorize.srf"), hidden,
                             {{QStringLiteral("approve"), QStringLiteral("Yes")},
                              {QStringLiteral("approve:wl.offline_access"),
                               QStringLiteral("Yes, but without SkyDrive")},
                              {QStringLiteral("refuse"), QStringLiteral("No")}}));
    });

    server.answer(
        "POST", "/oauth20_authorize.srf", [checkAuthorize, desktop, &store](const StandinRequest &r) {
            const QString problem = checkAuthorize(r.formValue(QStringLiteral("client_id")),
                                                   r.formValue(QStringLiteral("redirect_uri")),
                                                   r.formValue(QStringLiteral("response_type")));
            if (!problem.isEmpty())
                return html(400, textPage(QStringLiteral("Sign in"), problem));
            const QString decision = r.formValue(QStringLiteral("decision"));
            if (!decision.startsWith(u"approve"))
                return redirect(
                    desktop +
                    u"?lc=1033&error=access_denied&error_description=The%20user%20has%20denied%20access%20"
                    u"to%20the%20scopes%20requested%20by%20the%20client%20application.");
            const QString code = newToken(QStringLiteral("M"), 36);
            const QString account = QString::fromUtf16(AccountId);
            const QStringList scope = grantedScopes(decision, r.formValue(QStringLiteral("scope")), u',');
            store.update(kService, [&](QJsonObject &state) {
                QJsonObject codes = state.value(u"codes").toObject();
                codes.insert(code, QJsonObject{{QStringLiteral("account"), account},
                                               {QStringLiteral("scope"), QJsonArray::fromStringList(scope)}});
                state.insert(QStringLiteral("codes"), codes);
                QJsonObject accounts = state.value(u"accounts").toObject();
                accounts.insert(account,
                                QJsonObject{{QStringLiteral("name"), QString::fromUtf16(AccountName)}});
                state.insert(QStringLiteral("accounts"), accounts);
            });
            return redirect(desktop + u"?code=" + code + u"&lc=1033");
        });

    // The site the program opens once the photos are on their way.
    server.answer("GET", "/", [&store](const StandinRequest &) {
        return html(200, sitePage(kLook, QStringLiteral("Pictures"), folders(store),
                                  store.changedLately({kService, kFiles})));
    });
    server.answer("GET", "/skydrive", [](const StandinRequest &) {
        return html(200, sitePage(kLook, QStringLiteral("SkyDrive for your computer"),
                                  desktopClientNote(QStringLiteral("SkyDrive"))));
    });

    server.answer("GET", "/oauth20_desktop.srf", html(200, textPage(QString(), QString())));

    // The desktop flow asks for tokens with a GET and its values in the query.
    server.answer("GET", "/oauth20_token.srf", [clientId, desktop, &store](const StandinRequest &r) {
        if (r.queryValue(QStringLiteral("client_id")) != clientId)
            return oauthError(QStringLiteral("invalid_client"), QStringLiteral("The client does not exist."));
        if (r.queryValue(QStringLiteral("redirect_uri")) != desktop)
            return oauthError(
                QStringLiteral("invalid_request"),
                QStringLiteral("The provided value for the input parameter 'redirect_uri' is not "
                               "valid."));
        const QString grant = r.queryValue(QStringLiteral("grant_type"));
        QJsonObject answer;
        if (grant == u"authorization_code") {
            const QString code = r.queryValue(QStringLiteral("code"));
            store.update(kService, [&](QJsonObject &state) {
                QJsonObject codes = state.value(u"codes").toObject();
                const QJsonObject entry = codes.value(code).toObject();
                if (code.isEmpty() || entry.isEmpty())
                    return;
                codes.remove(code); // a code is good for one exchange
                state.insert(QStringLiteral("codes"), codes);
                answer = issueTokens(state, entry.value(u"account").toString(), scopeOf(entry));
            });
            if (answer.isEmpty())
                return oauthError(
                    QStringLiteral("invalid_grant"),
                    QStringLiteral("The provided value for the 'code' parameter is not valid."));
        } else if (grant == u"refresh_token") {
            const QString refresh = r.queryValue(QStringLiteral("refresh_token"));
            store.update(kService, [&](QJsonObject &state) {
                // A refresh token stays good after a renewal: the program
                // renews in memory only and comes back with the stored one.
                const QJsonObject entry = state.value(u"refreshTokens").toObject().value(refresh).toObject();
                if (refresh.isEmpty() || entry.isEmpty())
                    return;
                answer = issueTokens(state, entry.value(u"account").toString(), scopeOf(entry));
                state.insert(QStringLiteral("renewals"), state.value(u"renewals").toInt() + 1);
            });
            if (answer.isEmpty())
                return oauthError(
                    QStringLiteral("invalid_grant"),
                    QStringLiteral("The provided value for the 'refresh_token' parameter is not valid."));
        } else {
            return oauthError(
                QStringLiteral("unsupported_grant_type"),
                QStringLiteral("The provided value for the input parameter 'grant_type' is not valid."));
        }
        return json(200, answer);
    });

    server.answer("GET", "/v5.0/me/permissions", [&store](const StandinRequest &r) {
        QStringList scope;
        const TokenState check =
            checkToken(store.state(kService), r.queryValue(QStringLiteral("access_token")), nullptr, &scope);
        if (check != TokenState::Valid)
            return tokenError(check);
        QJsonObject granted;
        for (const QString &permission : scope)
            granted.insert(permission, 1);
        QJsonArray data;
        data.append(granted);
        return json(200, QJsonObject{{QStringLiteral("data"), data}});
    });

    server.answer("GET", "/v5.0/me/skydrive/my_photos/files", [&store](const StandinRequest &r) {
        const QJsonObject state = store.state(kService);
        QString account;
        const TokenState check = checkToken(state, r.queryValue(QStringLiteral("access_token")), &account);
        if (check != TokenState::Valid)
            return tokenError(check);
        QJsonArray data;
        for (const QJsonValue &value : state.value(u"folders").toArray()) {
            if (value.toObject().value(u"account").toString() == account)
                data.append(folderResource(value.toObject()));
        }
        return json(200, QJsonObject{{QStringLiteral("data"), data}});
    });

    server.answer("POST", "/v5.0/me/skydrive/my_photos", [&store](const StandinRequest &r) {
        QString account;
        QStringList scope;
        const TokenState check =
            checkToken(store.state(kService), r.queryValue(QStringLiteral("access_token")), &account, &scope);
        if (check != TokenState::Valid)
            return tokenError(check);
        if (!scope.contains(u"wl.skydrive_update"))
            return apiError(
                403, QStringLiteral("request_token_missing_scopes"),
                QStringLiteral("The provided access token does not have the wl.skydrive_update scope."));
        QJsonParseError parseError;
        const QJsonObject body = QJsonDocument::fromJson(r.body, &parseError).object();
        if (parseError.error != QJsonParseError::NoError)
            return apiError(400, QStringLiteral("request_body_invalid"),
                            QStringLiteral("The request entity body isn't valid JSON."));
        const QString name = body.value(u"name").toString();
        if (name.trimmed().isEmpty())
            return apiError(400, QStringLiteral("request_body_invalid_name"),
                            QStringLiteral("The provided name isn't valid."));
        QJsonObject folder;
        store.update(kService, [&](QJsonObject &state) {
            QJsonArray folders = state.value(u"folders").toArray();
            folder = QJsonObject{
                {QStringLiteral("id"),
                 QStringLiteral("folder.%1.%2!%3").arg(account, account.toUpper()).arg(folders.size() + 101)},
                {QStringLiteral("name"), name},
                {QStringLiteral("account"), account}};
            folders.append(folder);
            state.insert(QStringLiteral("folders"), folders);
        });
        return json(201, folderResource(folder));
    });
}

QString LiveService::pageSection(const SandboxStore &store) const
{
    const QJsonObject state = store.state(kService);
    return accountsList(state) + u"<p>Access tokens issued: " +
           QString::number(state.value(u"tokens").toObject().size()) + u"; renewals: " +
           QString::number(state.value(u"renewals").toInt()) + u"</p>" + folders(store);
}

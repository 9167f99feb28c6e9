#include "sandbox/services/FacebookService.h"

#include "sandbox/SandboxStore.h"
#include "sandbox/StandinServer.h"
#include "sandbox/services/Pages.h"
#include "sandbox/services/Tokens.h"
#include "webkit/ServiceConfig.h"
#include "webkit/WebText.h"

#include <QJsonArray>
#include <QRegularExpression>

using namespace Pages;
using namespace Tokens;

namespace {

const QString kService = QStringLiteral("Facebook");
const QStringList kPermissions = {QStringLiteral("offline_access"), QStringLiteral("user_photos"),
                                  QStringLiteral("read_stream"), QStringLiteral("publish_stream")};

StandinAnswer dialogError(const QString &text)
{
    return html(400, textPage(QStringLiteral("Error"), u"An error occurred with this application: " + text));
}

StandinAnswer graphError(const QString &message, int code = 190)
{
    return json(400, QJsonObject{{QStringLiteral("error"),
                                  QJsonObject{{QStringLiteral("message"), message},
                                              {QStringLiteral("type"), QStringLiteral("OAuthException")},
                                              {QStringLiteral("code"), code}}}});
}

StandinAnswer graphTokenError(TokenState state)
{
    return state == TokenState::Expired
               ? graphError(QStringLiteral("Error validating access token: Session has expired."))
               : graphError(QStringLiteral("Invalid OAuth access token."));
}

StandinAnswer fqlError(int code, const QString &message)
{
    return xml(200, u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    u"<error_response xmlns=\"http://api.facebook.com/1.0/\"><error_code>" +
                        QString::number(code) + u"</error_code><error_msg>" + XmlEscape(message) +
                        u"</error_msg></error_response>");
}

QString fqlList(const QString &elements)
{
    return u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           u"<fql_query_response xmlns=\"http://api.facebook.com/1.0/\" list=\"true\">" +
           elements + u"</fql_query_response>";
}

QString element(const char *name, const QString &value)
{
    return u'<' + QLatin1String(name) + u'>' + XmlEscape(value) + u"</" + QLatin1String(name) + u'>';
}

QJsonArray albumsOf(const QJsonObject &state, const QString &account)
{
    QJsonArray out;
    for (const QJsonValue &album : state.value(u"albums").toArray()) {
        if (album.toObject().value(u"account").toString() == account)
            out.append(album);
    }
    return out;
}

const Pages::Look kLook{QStringLiteral("facebook"), QStringLiteral("#3b5998")};
const QString kPhotos = QStringLiteral("FacebookUpload"); // where the upload stand-in keeps them

// Every account's albums with the photos that arrived in each, the
// application's own album (the uploads to "me") first when it has any.
QString albums(const SandboxStore &store)
{
    const QJsonObject state = store.state(kService);
    const QJsonArray photos = store.state(kPhotos).value(u"photos").toArray();
    const auto photosIn = [&photos](const QString &album) {
        return Pages::photosOf(photos, QStringLiteral("name"), [&album](const QJsonObject &photo) {
            return photo.value(u"album").toString() == album;
        });
    };
    QString out;
    const QJsonObject accounts = state.value(u"accounts").toObject();
    for (auto it = accounts.begin(); it != accounts.end(); ++it) {
        const QList<Pages::Photo> own = photosIn(it.key() + u"_app");
        if (!own.isEmpty())
            out += Pages::album(QStringLiteral("Flazz Photos"), kPhotos, own);
        out += Pages::folderAlbums(albumsOf(state, it.key()), QStringLiteral("name"), kPhotos, photosIn);
    }
    return Pages::orNone(out, QStringLiteral("No albums yet."));
}

} // namespace

void FacebookService::configure(ServiceConfig &config, const QString &baseUrl) const
{
    config.facebook.web = baseUrl;
    config.facebook.loginPages = baseUrl;
    config.facebook.graph = baseUrl;
    config.facebook.restApi = baseUrl;
    config.facebook.appId = QString::fromUtf16(AppId);
}

void FacebookService::install(StandinServer &server, SandboxStore &store)
{
    const QString base = server.baseUrl();
    const QString success = base + u"/connect/login_success.html";
    const QString appId = QString::fromUtf16(AppId);

    const auto checkDialog = [appId, success](const QString &clientId, const QString &redirectUri,
                                              const QString &responseType) -> QString {
        if (clientId != appId)
            return QStringLiteral("Invalid App ID: ") + clientId;
        if (redirectUri != success)
            return QStringLiteral(
                "Invalid redirect_uri: Given URL is not allowed by the Application configuration.");
        if (responseType != u"token")
            return QStringLiteral("Invalid response_type.");
        return {};
    };

    server.answer("GET", "/dialog/oauth", [checkDialog](const StandinRequest &r) {
        const QString problem = checkDialog(r.queryValue(QStringLiteral("client_id")),
                                            r.queryValue(QStringLiteral("redirect_uri")),
                                            r.queryValue(QStringLiteral("response_type")));
        if (!problem.isEmpty())
            return dialogError(problem);
        QList<std::pair<QString, QString>> hidden;
        for (const char16_t *name : {u"client_id", u"redirect_uri", u"scope", u"response_type", u"display"})
            hidden.append({QString::fromUtf16(name), r.queryValue(QString::fromUtf16(name))});
        return html(200, formPage(QStringLiteral("Log in to Facebook"),
                                  u"Flazz would like to reach your photos and post for you as " +
                                      QString::fromUtf16(AccountName) + u" (" +
                                      r.queryValue(QStringLiteral("scope")) + u").",
                                  QStringLiteral("/dialog/oauth"), hidden,
                                  {{QStringLiteral("approve"), QStringLiteral("Allow")},
                                   {QStringLiteral("approve:offline_access,user_photos,publish_stream"),
                                    QStringLiteral("Allow without reading the stream")},
                                   {QStringLiteral("refuse"), QStringLiteral("Don't Allow")}}));
    });

    server.answer("POST", "/dialog/oauth", [checkDialog, base, &store](const StandinRequest &r) {
        const QString problem =
            checkDialog(r.formValue(QStringLiteral("client_id")), r.formValue(QStringLiteral("redirect_uri")),
                        r.formValue(QStringLiteral("response_type")));
        if (!problem.isEmpty())
            return dialogError(problem);
        const QString decision = r.formValue(QStringLiteral("decision"));
        if (!decision.startsWith(u"approve"))
            return redirect(base + u"/login_failure.html");
        const QString token = newToken(QStringLiteral("AAAB"), 40);
        const QStringList granted = grantedScopes(decision, r.formValue(QStringLiteral("scope")), u',');
        const QString account = QString::fromUtf16(AccountId);
        store.update(kService, [&](QJsonObject &state) {
            issueToken(state, token, account, granted);
            QJsonObject accounts = state.value(u"accounts").toObject();
            accounts.insert(account, QJsonObject{{QStringLiteral("name"), QString::fromUtf16(AccountName)}});
            state.insert(QStringLiteral("accounts"), accounts);
        });
        return redirect(r.formValue(QStringLiteral("redirect_uri")) + u"#access_token=" + token +
                        u"&expires_in=0");
    });

    // The site the program opens once the photos are handed over.
    server.answer("GET", "/", [&store](const StandinRequest &) {
        const QJsonObject accounts = store.state(kService).value(u"accounts").toObject();
        const QString title =
            accounts.isEmpty() ? QStringLiteral("Photos")
                               : accounts.begin().value().toObject().value(u"name").toString() + u"'s photos";
        return html(200, sitePage(kLook, title, albums(store), store.changedLately({kService, kPhotos})));
    });

    server.answer("GET", "/connect/login_success.html",
                  html(200, textPage(QStringLiteral("Success"), QStringLiteral("Success"))));
    server.answer(
        "GET", "/login_failure.html",
        html(200, textPage(QStringLiteral("Facebook"), QStringLiteral("You did not allow Flazz."))));

    server.answer("GET", "/me", [&store](const StandinRequest &r) {
        const QJsonObject state = store.state(kService);
        QString account;
        const TokenState check = checkToken(state, r.queryValue(QStringLiteral("access_token")), &account);
        if (check != TokenState::Valid)
            return graphTokenError(check);
        const QString name =
            state.value(u"accounts").toObject().value(account).toObject().value(u"name").toString();
        return json(200, QJsonObject{{QStringLiteral("id"), account},
                                     {QStringLiteral("name"), name},
                                     {QStringLiteral("first_name"), name.section(u' ', 0, 0)},
                                     {QStringLiteral("last_name"), name.section(u' ', 1)}});
    });

    server.answer("GET", "/me/permissions", [&store](const StandinRequest &r) {
        QStringList scope;
        const TokenState check =
            checkToken(store.state(kService), r.queryValue(QStringLiteral("access_token")), nullptr, &scope);
        if (check != TokenState::Valid)
            return graphTokenError(check);
        QJsonObject granted{{QStringLiteral("installed"), 1}};
        for (const QString &permission : scope)
            granted.insert(permission, 1);
        QJsonArray data;
        data.append(granted);
        return json(200, QJsonObject{{QStringLiteral("data"), data}});
    });

    // Revoking ends the token along with every permission it carried.
    server.answer("DELETE", "/me/permissions", [&store](const StandinRequest &r) {
        const QString token = r.queryValue(QStringLiteral("access_token"));
        if (const TokenState check = checkToken(store.state(kService), token); check != TokenState::Valid)
            return graphTokenError(check);
        store.update(kService, [&](QJsonObject &state) {
            QJsonObject tokens = state.value(u"tokens").toObject();
            tokens.remove(token);
            state.insert(QStringLiteral("tokens"), tokens);
            state.insert(QStringLiteral("revocations"), state.value(u"revocations").toInt() + 1);
        });
        return StandinAnswer{200, {{"Content-Type", "text/javascript; charset=UTF-8"}}, "true"};
    });

    server.answer("GET", "/me/albums", [&store](const StandinRequest &r) {
        const QJsonObject state = store.state(kService);
        QString account;
        const TokenState check = checkToken(state, r.queryValue(QStringLiteral("access_token")), &account);
        if (check != TokenState::Valid)
            return graphTokenError(check);
        return json(200, QJsonObject{{QStringLiteral("data"), albumsOf(state, account)}});
    });

    server.answer("POST", "/me/albums", [&store](const StandinRequest &r) {
        QString account;
        QStringList scope;
        const TokenState check =
            checkToken(store.state(kService), r.queryValue(QStringLiteral("access_token")), &account, &scope);
        if (check != TokenState::Valid)
            return graphTokenError(check);
        if (!scope.contains(u"publish_stream"))
            return graphError(QStringLiteral("(#200) Requires extended permission: publish_stream"), 200);
        const QString name = r.queryValue(QStringLiteral("name"));
        if (name.trimmed().isEmpty())
            return graphError(QStringLiteral("(#100) Invalid album name"), 100);
        QString id;
        store.update(kService, [&](QJsonObject &state) {
            QJsonArray albums = state.value(u"albums").toArray();
            id = QString::number(10150000000000000LL + albums.size() + 1);
            albums.append(QJsonObject{
                {QStringLiteral("id"), id},
                {QStringLiteral("aid"), QString(account + u'_' + QString::number(albums.size() + 1))},
                {QStringLiteral("name"), name},
                {QStringLiteral("account"), account},
                {QStringLiteral("can_upload"), true}});
            state.insert(QStringLiteral("albums"), albums);
        });
        return json(200, QJsonObject{{QStringLiteral("id"), id}});
    });

    server.answer("GET", "/method/fql.query", [&store](const StandinRequest &r) {
        const QJsonObject state = store.state(kService);
        QString account;
        QStringList scope;
        const TokenState check =
            checkToken(state, r.queryValue(QStringLiteral("access_token")), &account, &scope);
        if (check == TokenState::Expired)
            return fqlError(190, QStringLiteral("Error validating access token: Session has expired."));
        if (check != TokenState::Valid)
            return fqlError(190, QStringLiteral("Invalid OAuth 2.0 Access Token"));
        const QString query = r.queryValue(QStringLiteral("query")).simplified();
        const QString lower = query.toLower();
        if (lower.contains(u"from user where uid=")) {
            const QString uid = QRegularExpression(QStringLiteral("uid=(\\d+)")).match(lower).captured(1);
            if (uid != account)
                return xml(200, fqlList(QString()));
            const QString name =
                state.value(u"accounts").toObject().value(account).toObject().value(u"name").toString();
            return xml(200, fqlList(u"<user>" + element("uid", account) + element("name", name) +
                                    element("pic_square", QString()) + element("pic_big", QString()) +
                                    u"</user>"));
        }
        if (lower.contains(u"from permissions")) {
            QString flags;
            for (const char *permission : {"user_photos", "publish_stream", "read_stream"})
                flags += element(permission, scope.contains(QLatin1String(permission)) ? QStringLiteral("1")
                                                                                       : QStringLiteral("0"));
            return xml(200, fqlList(u"<permissions>" + flags + u"</permissions>"));
        }
        if (lower.contains(u"from album")) {
            QString albums;
            for (const QJsonValue &value : albumsOf(state, account)) {
                const QJsonObject album = value.toObject();
                albums += u"<album>" + element("aid", album.value(u"aid").toString()) +
                          element("name", album.value(u"name").toString()) +
                          element("object_id", album.value(u"id").toString()) +
                          element("can_upload", u"1"_qs) + u"</album>";
            }
            return xml(200, fqlList(albums));
        }
        return fqlError(601, u"Parser error: unexpected query " + query);
    });
}

QString FacebookService::pageSection(const SandboxStore &store) const
{
    const QJsonObject state = store.state(kService);
    return accountsList(state) + u"<p>Tokens issued: " +
           QString::number(state.value(u"tokens").toObject().size()) + u"; revoked: " +
           QString::number(state.value(u"revocations").toInt()) + u"</p>" + albums(store);
}

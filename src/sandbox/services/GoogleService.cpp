#include "sandbox/services/GoogleService.h"

#include "sandbox/SandboxStore.h"
#include "sandbox/StandinServer.h"
#include "sandbox/services/Pages.h"
#include "sandbox/services/Tokens.h"
#include "webkit/ServiceConfig.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Pages;
using namespace Tokens;

namespace {

const QString kService = QStringLiteral("Google");
const QString kOutOfBand = QStringLiteral("urn:ietf:wg:oauth:2.0:oob");
const QString kFolderType = QStringLiteral("application/vnd.google-apps.folder");

StandinAnswer oauthError(int status, const QString &error)
{
    return json(status, QJsonObject{{QStringLiteral("error"), error}});
}

StandinAnswer apiError(int status, const QString &reason, const QString &message)
{
    QJsonArray errors;
    errors.append(QJsonObject{{QStringLiteral("domain"), QStringLiteral("global")},
                              {QStringLiteral("reason"), reason},
                              {QStringLiteral("message"), message}});
    return json(status,
                QJsonObject{{QStringLiteral("error"), QJsonObject{{QStringLiteral("errors"), errors},
                                                                  {QStringLiteral("code"), status},
                                                                  {QStringLiteral("message"), message}}}});
}

StandinAnswer invalidCredentials()
{
    return apiError(401, QStringLiteral("authError"), QStringLiteral("Invalid Credentials"));
}

QJsonObject fileResource(const QJsonObject &folder)
{
    QJsonArray parents;
    parents.append(QJsonObject{{QStringLiteral("kind"), QStringLiteral("drive#parentReference")},
                               {QStringLiteral("id"), QStringLiteral("root")},
                               {QStringLiteral("isRoot"), true}});
    return QJsonObject{{QStringLiteral("kind"), QStringLiteral("drive#file")},
                       {QStringLiteral("id"), folder.value(u"id")},
                       {QStringLiteral("title"), folder.value(u"title")},
                       {QStringLiteral("mimeType"), kFolderType},
                       {QStringLiteral("labels"), QJsonObject{{QStringLiteral("trashed"), false}}},
                       {QStringLiteral("parents"), parents}};
}

QJsonObject issueAccess(QJsonObject &state, const QString &account, bool withRefresh)
{
    const QString access = newToken(QStringLiteral("ya29."), 40);
    issueToken(state, access, account, {QStringLiteral("drive"), QStringLiteral("drive.file")});
    QJsonObject answer{{QStringLiteral("access_token"), access},
                       {QStringLiteral("token_type"), QStringLiteral("Bearer")},
                       {QStringLiteral("expires_in"), 3600}};
    if (withRefresh) {
        const QString refresh = newToken(QStringLiteral("1/"), 43);
        QJsonObject refreshTokens = state.value(u"refreshTokens").toObject();
        refreshTokens.insert(refresh, QJsonObject{{QStringLiteral("account"), account}});
        state.insert(QStringLiteral("refreshTokens"), refreshTokens);
        answer.insert(QStringLiteral("refresh_token"), refresh);
    }
    return answer;
}

const Pages::Look kLook{QStringLiteral("Google Drive"), QStringLiteral("#4285f4")};
const QString kFiles = QStringLiteral("GoogleUpload"); // where the upload stand-in keeps them

// My Drive and each folder the program made, with the files that arrived.
QString folders(const SandboxStore &store)
{
    const QJsonArray files = store.state(kFiles).value(u"files").toArray();
    const auto filesIn = [&files](const QString &folder) {
        return Pages::photosOf(files, QStringLiteral("title"), [&folder](const QJsonObject &file) {
            return file.value(u"parents").toArray().at(0).toObject().value(u"id").toString() == folder;
        });
    };
    QString out;
    if (const QList<Pages::Photo> root = filesIn(QStringLiteral("root")); !root.isEmpty())
        out += Pages::album(QStringLiteral("My Drive"), kFiles, root);
    out += Pages::folderAlbums(store.state(kService).value(u"folders").toArray(), QStringLiteral("title"),
                               kFiles, filesIn, QStringLiteral("Empty folder."));
    return Pages::orNone(out, QStringLiteral("No folders yet."));
}

} // namespace

void GoogleService::configure(ServiceConfig &config, const QString &baseUrl) const
{
    config.google.accounts = baseUrl;
    config.google.drive = baseUrl;
    config.google.userInfo = baseUrl;
    config.google.site = baseUrl;
    config.google.clientId = QString::fromUtf16(ClientId);
    config.google.clientSecret = QString::fromUtf16(ClientSecret);
    config.desktopClients.googleDrive = baseUrl + u"/dlpage/drive";
}

void GoogleService::install(StandinServer &server, SandboxStore &store)
{
    const QString clientId = QString::fromUtf16(ClientId);
    const QString clientSecret = QString::fromUtf16(ClientSecret);

    const auto checkAuth = [clientId](const QString &id, const QString &redirectUri,
                                      const QString &responseType, const QString &scope) -> QString {
        if (id != clientId)
            return QStringLiteral("invalid_client: The OAuth client was not found.");
        if (redirectUri != kOutOfBand)
            return QStringLiteral("redirect_uri_mismatch");
        if (responseType != u"code")
            return QStringLiteral("unsupported_response_type");
        if (!scope.contains(u"/auth/drive"))
            return QStringLiteral("invalid_scope");
        return {};
    };

    server.answer("GET", "/o/oauth2/auth", [checkAuth](const StandinRequest &r) {
        const QString problem =
            checkAuth(r.queryValue(QStringLiteral("client_id")), r.queryValue(QStringLiteral("redirect_uri")),
                      r.queryValue(QStringLiteral("response_type")), r.queryValue(QStringLiteral("scope")));
        if (!problem.isEmpty())
            return html(400, textPage(QStringLiteral("Error: ") + problem, u"Error: " + problem));
        QList<std::pair<QString, QString>> hidden;
        for (const char16_t *name :
             {u"client_id", u"redirect_uri", u"response_type", u"scope", u"access_type"})
            hidden.append({QString::fromUtf16(name), r.queryValue(QString::fromUtf16(name))});
        return html(200, formPage(QStringLiteral("Request for Permission"),
                                  u"Flazz would like to view and manage the files in the Google Drive of " +
                                      QString::fromUtf16(AccountName) + u'.',
                                  QStringLiteral("/o/oauth2/auth"), hidden,
                                  {{QStringLiteral("approve"), QStringLiteral("Allow access")},
                                   {QStringLiteral("refuse"), QStringLiteral("No thanks")}}));
    });

    server.answer("POST", "/o/oauth2/auth", [checkAuth, &store](const StandinRequest &r) {
        const QString problem =
            checkAuth(r.formValue(QStringLiteral("client_id")), r.formValue(QStringLiteral("redirect_uri")),
                      r.formValue(QStringLiteral("response_type")), r.formValue(QStringLiteral("scope")));
        if (!problem.isEmpty())
            return html(400, textPage(QStringLiteral("Error: ") + problem, u"Error: " + problem));
        if (!r.formValue(QStringLiteral("decision")).startsWith(u"approve"))
            return redirect(QStringLiteral("/o/oauth2/approval?error=access_denied"));
        const QString code = newToken(QStringLiteral("4/"), 30);
        const QString account = QString::fromUtf16(AccountId);
        store.update(kService, [&](QJsonObject &state) {
            QJsonObject codes = state.value(u"codes").toObject();
            codes.insert(code, QJsonObject{{QStringLiteral("account"), account}});
            state.insert(QStringLiteral("codes"), codes);
            QJsonObject accounts = state.value(u"accounts").toObject();
            accounts.insert(account, QJsonObject{{QStringLiteral("name"), QString::fromUtf16(AccountName)}});
            state.insert(QStringLiteral("accounts"), accounts);
        });
        return redirect(u"/o/oauth2/approval?code=" + code);
    });

    // The installed-application flow hands the code over in the page title.
    server.answer("GET", "/o/oauth2/approval", [](const StandinRequest &r) {
        const QString code = r.queryValue(QStringLiteral("code"));
        if (!code.isEmpty())
            return html(
                200, textPage(u"Success code=" + code,
                              QStringLiteral("Please copy this code, switch to your application and paste it "
                                             "there: ") +
                                  code));
        return html(200, textPage(u"Denied error=" + r.queryValue(QStringLiteral("error")),
                                  QStringLiteral("You denied access to Flazz.")));
    });

    server.answer("POST", "/o/oauth2/token", [clientId, clientSecret, &store](const StandinRequest &r) {
        if (r.formValue(QStringLiteral("client_id")) != clientId ||
            r.formValue(QStringLiteral("client_secret")) != clientSecret)
            return oauthError(401, QStringLiteral("invalid_client"));
        const QString grant = r.formValue(QStringLiteral("grant_type"));
        QJsonObject answer;
        if (grant == u"authorization_code") {
            if (r.formValue(QStringLiteral("redirect_uri")) != kOutOfBand)
                return oauthError(400, QStringLiteral("redirect_uri_mismatch"));
            const QString code = r.formValue(QStringLiteral("code"));
            store.update(kService, [&](QJsonObject &state) {
                QJsonObject codes = state.value(u"codes").toObject();
                const QString account = codes.value(code).toObject().value(u"account").toString();
                if (code.isEmpty() || account.isEmpty())
                    return;
                codes.remove(code); // a code is good for one exchange
                state.insert(QStringLiteral("codes"), codes);
                answer = issueAccess(state, account, true);
            });
        } else if (grant == u"refresh_token") {
            const QString refresh = r.formValue(QStringLiteral("refresh_token"));
            store.update(kService, [&](QJsonObject &state) {
                const QString account = state.value(u"refreshTokens")
                                            .toObject()
                                            .value(refresh)
                                            .toObject()
                                            .value(u"account")
                                            .toString();
                if (refresh.isEmpty() || account.isEmpty())
                    return;
                answer = issueAccess(state, account, false);
                state.insert(QStringLiteral("renewals"), state.value(u"renewals").toInt() + 1);
            });
        } else {
            return oauthError(400, QStringLiteral("unsupported_grant_type"));
        }
        if (answer.isEmpty())
            return oauthError(400, QStringLiteral("invalid_grant"));
        return json(200, answer);
    });

    // The site the program opens once the photos are on their way.
    server.answer("GET", "/", [&store](const StandinRequest &) {
        return html(200, sitePage(kLook, QStringLiteral("My Drive"), folders(store),
                                  store.changedLately({kService, kFiles})));
    });
    server.answer("GET", "/dlpage/drive", [](const StandinRequest &) {
        return html(200, sitePage(kLook, QStringLiteral("Google Drive for your computer"),
                                  desktopClientNote(QStringLiteral("Google Drive"))));
    });

    server.answer("GET", "/oauth2/v1/userinfo", [&store](const StandinRequest &r) {
        const QJsonObject state = store.state(kService);
        QString account;
        if (checkToken(state, r.queryValue(QStringLiteral("access_token")), &account) != TokenState::Valid)
            return invalidCredentials();
        const QString name =
            state.value(u"accounts").toObject().value(account).toObject().value(u"name").toString();
        return json(200, QJsonObject{{QStringLiteral("id"), account},
                                     {QStringLiteral("name"), name},
                                     {QStringLiteral("given_name"), name.section(u' ', 0, 0)},
                                     {QStringLiteral("family_name"), name.section(u' ', 1)}});
    });

    server.answer("GET", "/drive/v2/files", [&store](const StandinRequest &r) {
        const QJsonObject state = store.state(kService);
        QString account;
        if (checkToken(state, bearerToken(r), &account) != TokenState::Valid)
            return invalidCredentials();
        // Only the folder query the program sends is understood; anything
        // else lists nothing rather than pretending to search.
        const QString q = r.queryValue(QStringLiteral("q"));
        QJsonArray items;
        if (q.contains(u"mimeType = '" + kFolderType + u'\'') && q.contains(u"trashed = false") &&
            q.contains(u"'root' in parents")) {
            for (const QJsonValue &value : state.value(u"folders").toArray()) {
                if (value.toObject().value(u"account").toString() == account)
                    items.append(fileResource(value.toObject()));
            }
        }
        return json(200, QJsonObject{{QStringLiteral("kind"), QStringLiteral("drive#fileList")},
                                     {QStringLiteral("items"), items}});
    });

    server.answer("POST", "/drive/v2/files", [&store](const StandinRequest &r) {
        QString account;
        if (checkToken(store.state(kService), bearerToken(r), &account) != TokenState::Valid)
            return invalidCredentials();
        if (!r.header("Content-Type").startsWith("application/json"))
            return apiError(400, QStringLiteral("badContent"),
                            QStringLiteral("Unsupported content with type: ") +
                                QString::fromLatin1(r.header("Content-Type")));
        QJsonParseError parseError;
        const QJsonObject body = QJsonDocument::fromJson(r.body, &parseError).object();
        if (parseError.error != QJsonParseError::NoError)
            return apiError(400, QStringLiteral("parseError"), QStringLiteral("Parse Error"));
        const QString title = body.value(u"title").toString();
        if (body.value(u"mimeType").toString() != kFolderType || title.isEmpty())
            return apiError(400, QStringLiteral("invalid"), QStringLiteral("Only folders are made here"));
        QJsonObject folder;
        store.update(kService, [&](QJsonObject &state) {
            QJsonArray folders = state.value(u"folders").toArray();
            folder = QJsonObject{{QStringLiteral("id"), newToken(QStringLiteral("0B"), 26)},
                                 {QStringLiteral("title"), title},
                                 {QStringLiteral("account"), account}};
            folders.append(folder);
            state.insert(QStringLiteral("folders"), folders);
        });
        return json(200, fileResource(folder));
    });
}

QString GoogleService::pageSection(const SandboxStore &store) const
{
    const QJsonObject state = store.state(kService);
    return accountsList(state) + u"<p>Access tokens issued: " +
           QString::number(state.value(u"tokens").toObject().size()) + u"; renewals: " +
           QString::number(state.value(u"renewals").toInt()) + u"</p>" + folders(store);
}

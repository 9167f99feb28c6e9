#include "cloudfolders/clsGoogle.h"

#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/SettingsKeys.h"
#include "core/UserPrompt.h"
#include "webkit/Json.h"
#include "webkit/SignIn.h"
#include "webkit/WebText.h"

#include <QFile>
#include <QScopeGuard>

namespace {

constexpr char16_t kOutOfBand[] = u"urn:ietf:wg:oauth:2.0:oob";
constexpr char16_t kFolderType[] = u"application/vnd.google-apps.folder";
constexpr char16_t kFolderQuery[] =
    u"mimeType = 'application/vnd.google-apps.folder' and trashed = false and  'root' in parents";

QString text(const char16_t *literal)
{
    return QString::fromUtf16(literal);
}

QString key(const char *settingsKey)
{
    return QString::fromLatin1(settingsKey);
}

} // namespace

clsGoogle::clsGoogle(AppState &state, ServiceConfig config, SignIn &signIn, UserPrompt &ui)
    : m_state(state), m_config(std::move(config)), m_signIn(signIn), m_ui(ui), m_settings(state.SettingsFile)
{
    LoadCredentials();
    GetAuthGoogleUserInfoFromDB();
}

void clsGoogle::LoadCredentials()
{
    m_clientId = m_config.google.clientId;
    m_clientSecret = m_config.google.clientSecret;
    // A build for another registered application keeps its credentials in
    // "auth.txt" beside the pages: TAB-separated, the Facebook application
    // id first, then the Google client id and secret. Fields it lacks keep
    // the built-in values.
    QFile file(m_state.ResourcesFolder + u"auth.txt");
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QStringList fields = QString::fromLatin1(file.readAll()).split(u'\t');
    const QString id = fields.value(1).trimmed();
    const QString secret = fields.value(2).trimmed();
    if (!id.isEmpty() && !secret.isEmpty()) {
        m_clientId = id;
        m_clientSecret = secret;
    }
}

QString clsGoogle::postForm(const QString &body, bool renewal)
{
    m_request.open(QStringLiteral("POST"), m_config.google.accounts + u"/o/oauth2/token");
    m_request.setRequestHeader(QStringLiteral("Content-Type"),
                               QStringLiteral("application/x-www-form-urlencoded"));
    m_request.setRequestHeader(QStringLiteral("Content-Length"), QString::number(body.size()));
    if (renewal)
        m_request.setRequestHeader(QStringLiteral("GData-Version"), QStringLiteral("1.4"));
    m_request.send(body);
    return m_request.responseText();
}

void clsGoogle::GetAuthGoogleUserInfoFromDB()
{
    const std::optional<QString> stored = m_settings.read(key(SettingsKey::GoogleAccessToken));
    if (!stored)
        return;
    m_accessToken = *stored;
    m_refreshToken = m_settings.readOr(key(SettingsKey::GoogleRefreshToken));
    try {
        RenewAccessToken();
    } catch (const WebRequestError &) {
        // Google out of reach: the stored token stays as it was rather than
        // signing the user out over a passing outage.
        m_googleId = m_settings.readOr(key(SettingsKey::GoogleID));
        return;
    }
    m_settings.write(key(SettingsKey::GoogleAccessToken), m_accessToken);
    m_googleId = m_settings.readOr(key(SettingsKey::GoogleID));
}

void clsGoogle::RenewAccessToken()
{
    // The values go in as they are: Google's tokens and ids need no escaping.
    const JsonValue answer =
        ParseJson(postForm(u"refresh_token=" + m_refreshToken + u"&client_id=" + m_clientId +
                               u"&client_secret=" + m_clientSecret + u"&grant_type=refresh_token",
                           true))
            .value;
    m_accessToken = answer.Item(u"access_token").toString();
    m_expiresIn = answer.Item(u"expires_in").toInt();
}

bool clsGoogle::CreateAccount()
{
    const SignInBusy busy(m_signIn);
    const auto closeBusy = qScopeGuard([this] { m_signIn.closeBusy(); });
    try {
        return SignInAndStore();
    } catch (const std::exception &) {
        QString title;
        funcMessageDisplay(m_state, m_ui, MessageNo::CallerText, MsgStyle::Critical, title,
                           QStringLiteral("Cannot communicate with Google Drive."));
        return false;
    }
}

bool clsGoogle::SignInAndStore()
{
    SignInPage page;
    page.module = SignInModule::Google;
    page.actionUrl = m_config.google.accounts + u"/o/oauth2/auth?redirect_uri=" + text(kOutOfBand) +
                     u"&response_type=code&client_id=" + m_clientId + u"&approval_prompt=force&scope=" +
                     UrlEncode(QStringLiteral("https://www.googleapis.com/auth/drive")) + u'+' +
                     UrlEncode(QStringLiteral("https://www.googleapis.com/auth/drive.file")) +
                     u"&access_type=offline";
    page.successUrl = m_config.google.accounts + u"/o/oauth2/approval?";
    page.failedUrl = m_config.facebook.loginPages + u"/login_failure.html";

    QString title;
    {
        const bool wasOpen = m_state.ModalFormOpen;
        m_state.ModalFormOpen = true;
        const auto restore = qScopeGuard([this, wasOpen] { m_state.ModalFormOpen = wasOpen; });
        title = m_signIn.browse(page);
    }

    // The approval page is titled "Success code=…"; a title without "=" is
    // a page the user left before approving.
    const QStringList pieces = title.split(u'=');
    if (title.isEmpty() || pieces.size() < 2)
        return false;
    const QString code = pieces.at(1);

    const JsonValue tokens = ParseJson(postForm(u"code=" + code + u"&client_id=" + m_clientId +
                                                    u"&client_secret=" + m_clientSecret + u"&redirect_uri=" +
                                                    text(kOutOfBand) + u"&grant_type=authorization_code",
                                                false))
                                 .value;
    m_accessToken = tokens.Item(u"access_token").toString();
    m_expiresIn = tokens.Item(u"expires_in").toInt();
    m_refreshToken = tokens.Item(u"refresh_token").toString();
    if (m_accessToken.isEmpty())
        return false;

    m_request.open(QStringLiteral("GET"),
                   m_config.google.userInfo + u"/oauth2/v1/userinfo?access_token=" + m_accessToken);
    m_request.setRequestHeader(QStringLiteral("Content-Type"),
                               QStringLiteral("application/x-www-form-urlencoded"));
    m_request.send();
    const JsonValue user = ParseJson(m_request.responseText()).value;
    m_googleId = user.Item(u"id").toString();
    m_name = user.Item(u"name").toString();
    InsertGoogleProfile();
    return true;
}

void clsGoogle::InsertGoogleProfile()
{
    m_settings.write({{key(SettingsKey::GoogleAccessToken), m_accessToken},
                      {key(SettingsKey::GoogleRefreshToken), m_refreshToken},
                      {key(SettingsKey::GoogleID), m_googleId}});
}

bool clsGoogle::IsAuthoriseUserExist()
{
    return !m_settings.readOr(key(SettingsKey::GoogleAccessToken)).isEmpty();
}

QString clsGoogle::CreateAlbum(const QString &name)
{
    // The name goes in unescaped, as the service has always received it.
    const QString body =
        u"{\r\n  \"title\": \"" + name + u"\",\r\n  \"mimeType\": \"" + text(kFolderType) + u"\"\r\n}\r\n";
    try {
        m_request.open(QStringLiteral("POST"), m_config.google.drive + u"/drive/v2/files");
        m_request.setRequestHeader(QStringLiteral("Content-Type"), QStringLiteral("application/json"));
        m_request.setRequestHeader(QStringLiteral("Authorization"), u"Bearer " + m_accessToken);
        m_request.send(body);
    } catch (const WebRequestError &) {
        return {};
    }
    return ParseJson(m_request.responseText()).value.Item(u"id").toString();
}

QString clsGoogle::GetFolderList()
{
    try {
        m_request.open(QStringLiteral("GET"),
                       m_config.google.drive + u"/drive/v2/files?q=" + text(kFolderQuery));
        m_request.setRequestHeader(QStringLiteral("Content-Type"), QStringLiteral("application/json"));
        m_request.setRequestHeader(QStringLiteral("Authorization"), u"Bearer " + m_accessToken);
        m_request.send();
    } catch (const WebRequestError &) {
        return {};
    }
    return m_request.responseText();
}

QList<AlbumEntry> clsGoogle::albums()
{
    const JsonValue items = ParseJson(GetFolderList()).value.Item(u"items");
    QList<AlbumEntry> out;
    for (qsizetype i = 1; i <= items.Count(); ++i)
        out.append({items.Item(i).Item(u"title").toString(), items.Item(i).Item(u"id").toString()});
    return out;
}

#include "cloudfolders/clsSkydrive.h"

#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/SettingsKeys.h"
#include "core/UserPrompt.h"
#include "webkit/Json.h"
#include "webkit/SignIn.h"
#include "webkit/WebText.h"
#include "webkit/clsFBCallback.h"

#include <QScopeGuard>

namespace {

QString key(const char *settingsKey)
{
    return QString::fromLatin1(settingsKey);
}

// A permission of the first "data" element counts when it is there and not 0.
bool granted(const JsonValue &permissions, QStringView name)
{
    return permissions.Exists(name) && permissions.Item(name).toString() != u"0";
}

} // namespace

clsSkydrive::clsSkydrive(AppState &state, ServiceConfig config, SignIn &signIn, UserPrompt &ui)
    : m_state(state), m_config(std::move(config)), m_signIn(signIn), m_ui(ui), m_settings(state.SettingsFile)
{
    if (m_state.InternetAvailable)
        GetAuthUserInfoFromDB();
}

clsSkydrive::~clsSkydrive() = default;

QString clsSkydrive::desktopRedirect() const
{
    return m_config.live.login + u"/oauth20_desktop.srf";
}

void clsSkydrive::GetAuthUserInfoFromDB()
{
    if (!m_settings.read(key(SettingsKey::SkydriveAccessToken)))
        return;
    m_accessToken = m_settings.readOr(key(SettingsKey::SkydriveAccessToken));
    m_authenticationToken = m_settings.readOr(key(SettingsKey::SkydriveAuthenticationToken));
    m_refreshToken = m_settings.readOr(key(SettingsKey::SkydriveRefreshToken));
}

void clsSkydrive::takeTokens(const QString &answer)
{
    const JsonValue tokens = ParseJson(answer).value;
    m_accessToken = tokens.Item(u"access_token").toString();
    m_authenticationToken = tokens.Item(u"authentication_token").toString();
    m_refreshToken = tokens.Item(u"refresh_token").toString();
}

bool clsSkydrive::CreateAccount()
{
    const SignInBusy busy(m_signIn);
    const auto closeBusy = qScopeGuard([this] { m_signIn.closeBusy(); });
    if (StatusChange)
        StatusChange(QStringLiteral("Please wait- Communicating with SkyDrive..."));
    bool signedIn = false;
    try {
        signedIn = SignInAndStore();
    } catch (const std::exception &) {
        QString title;
        funcMessageDisplay(m_state, m_ui, MessageNo::CallerText, MsgStyle::Critical, title,
                           QStringLiteral("Cannot communicate with SkyDrive."));
    }
    if (!signedIn)
        return false;
    CheckPermissions();
    return m_authorized;
}

bool clsSkydrive::SignInAndStore()
{
    SignInPage page;
    page.module = SignInModule::SkyDrive;
    page.actionUrl = m_config.live.login + u"/oauth20_authorize.srf?client_id=" + m_config.live.clientId +
                     u"&redirect_uri=" + desktopRedirect() +
                     u"&scope=wl.offline_access,wl.skydrive_update&response_type=code&display=popup";
    page.successUrl = desktopRedirect();
    page.failedUrl = m_config.facebook.loginPages + u"/login_failure.html";

    QString ended;
    {
        const bool wasOpen = m_state.ModalFormOpen;
        m_state.ModalFormOpen = true;
        const auto restore = qScopeGuard([this, wasOpen] { m_state.ModalFormOpen = wasOpen; });
        ended = m_signIn.browse(page);
    }
    if (ended.isEmpty())
        return false;

    // A refusal ends on the same address with "?error=" instead of a code.
    const QString decoded = UrlDecode(ended);
    const qsizetype at = decoded.indexOf(u"?code=");
    if (at < 0)
        return false;
    const QString code = decoded.mid(at + 6).section(u'&', 0, 0);

    const QString address = m_config.live.login + u"/oauth20_token.srf?client_id=" + m_config.live.clientId +
                            u"&redirect_uri=" + desktopRedirect() + u"&code=" + code +
                            u"&grant_type=authorization_code";
    m_request.open(QStringLiteral("get"), address);
    m_request.setRequestHeader(QStringLiteral("Content-Type"),
                               QStringLiteral("application/x-www-form-urlencoded"));
    m_request.setRequestHeader(QStringLiteral("Content-Length"), QString::number(address.size()));
    m_request.send();
    takeTokens(m_request.responseText());
    if (m_accessToken.isEmpty())
        return false;
    m_settings.write({{key(SettingsKey::SkydriveAccessToken), m_accessToken},
                      {key(SettingsKey::SkydriveAuthenticationToken), m_authenticationToken},
                      {key(SettingsKey::SkydriveRefreshToken), m_refreshToken}});
    return true;
}

void clsSkydrive::CheckPermissions()
{
    m_authorized = false;
    m_permissions = std::make_unique<clsFBCallback>(m_state);
    m_permissions->setCurrentOperation(clsFBCallback::OperationPermissionCheck);
    std::optional<QString> answer;
    try {
        answer = m_permissions->PostForAnswer(m_config.live.apis + u"/v5.0/me/permissions?access_token=" +
                                                  m_accessToken,
                                              QStringLiteral("GET"), QStringLiteral("blank"));
    } catch (const WebRequestError &) {
        return;
    }
    // Judged here, after the request: the renewal it may call for sends requests of its own.
    if (answer)
        XMLIsAppUser_Response(*answer);
}

void clsSkydrive::XMLIsAppUser_Response(const QString &answer)
{
    const JsonValue json = ParseJson(answer).value;
    if (json.Exists(u"error")) {
        m_authorized = false;
        if (json.Item(u"error").Item(u"code").toString() == u"request_token_expired") {
            RefeshToken();
            m_authorized = !m_accessToken.isEmpty();
        }
        return;
    }
    const JsonValue first = json.Item(u"data").Item(qsizetype(1));
    m_authorized = granted(first, u"wl.offline_access") && granted(first, u"wl.skydrive_update");
}

void clsSkydrive::RefeshToken()
{
    const QString address = m_config.live.login + u"/oauth20_token.srf?client_id=" + m_config.live.clientId +
                            u"&redirect_uri=" + desktopRedirect() +
                            u"&grant_type=refresh_token&refresh_token=" + m_refreshToken;
    try {
        m_request.open(QStringLiteral("get"), address);
        m_request.setRequestHeader(QStringLiteral("Content-Type"),
                                   QStringLiteral("application/x-www-form-urlencoded"));
        m_request.setRequestHeader(QStringLiteral("Content-Length"), QString::number(address.size()));
        m_request.send();
    } catch (const WebRequestError &) {
        // Without a renewal the expired token is of no use to anyone.
        m_accessToken.clear();
        return;
    }
    takeTokens(m_request.responseText());
}

bool clsSkydrive::IsAuthoriseUserExist()
{
    if (m_settings.readOr(key(SettingsKey::SkydriveAccessToken)).isEmpty())
        return false;
    CheckPermissions();
    return m_authorized;
}

QString clsSkydrive::GetFolderList()
{
    try {
        m_request.open(QStringLiteral("get"), m_config.live.apis +
                                                  u"/v5.0/me/skydrive/my_photos/files?access_token=" +
                                                  m_accessToken);
        m_request.send();
    } catch (const WebRequestError &) {
        return {};
    }
    return m_request.responseText();
}

QString clsSkydrive::CreateAlbum(const QString &name)
{
    // The name goes in unescaped, as the service has always received it.
    const QString body = u"{\"name\": \"" + name + u"\"}";
    try {
        m_request.open(QStringLiteral("post"),
                       m_config.live.apis + u"/v5.0/me/skydrive/my_photos?access_token=" + m_accessToken);
        m_request.setRequestHeader(QStringLiteral("Content-Type"), QStringLiteral("application/json"));
        m_request.setRequestHeader(QStringLiteral("Content-Length"), QString::number(body.size()));
        m_request.send(body);
    } catch (const WebRequestError &) {
        return {};
    }
    return ParseJson(m_request.responseText()).value.Item(u"id").toString();
}

QList<AlbumEntry> clsSkydrive::albums()
{
    // The chooser has always listed from a freshly renewed token.
    RefeshToken();
    const JsonValue data = ParseJson(GetFolderList()).value.Item(u"data");
    QList<AlbumEntry> out;
    for (qsizetype i = 1; i <= data.Count(); ++i)
        out.append({data.Item(i).Item(u"name").toString(), data.Item(i).Item(u"id").toString()});
    return out;
}

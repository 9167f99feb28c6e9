#include "cloudfolders/clsDropbox.h"

#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "webkit/Json.h"
#include "webkit/SignIn.h"
#include "webkit/WebRequest.h"
#include "webkit/WebText.h"
#include "webkit/hs1.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QStringList>

namespace {

QString settingsKey(const char *key)
{
    return QLatin1String(key);
}

// Nonces come from 123400 to 9999999: six or seven digits, never fewer.
QString newNonce()
{
    return QString::number(QRandomGenerator::global()->bounded(9876600) + 123400);
}

QString timestampNow()
{
    return QString::number(QDateTime::currentSecsSinceEpoch());
}

// What follows the first "=" of one "name=value" part; a part without "="
// is not an answer this class understands.
bool valueOf(const QString &part, QString *value)
{
    const qsizetype eq = part.indexOf(u'=');
    if (eq < 0)
        return false;
    *value = part.mid(eq + 1).section(u'=', 0, 0);
    return true;
}

} // namespace

clsDropbox::clsDropbox(AppState &state, ServiceConfig config, SignIn &signIn, UserPrompt &ui)
    : m_state(state), m_config(std::move(config)), m_signIn(signIn), m_ui(ui),
      m_request(std::make_unique<WebRequest>())
{
    if (m_state.InternetAvailable)
        GetAuthDBUserInfoFromDB();
}

clsDropbox::~clsDropbox() = default;

QString clsDropbox::SignatureBase(const QString &method, const QString &url, const QString &consumerKey,
                                  const QString &nonce, const QString &timestamp, const QString &token,
                                  const QString &ownParameters)
{
    // The parameters are already in alphabetical order; "=" and "&" inside
    // the parameter string appear encoded, as the base string wants them.
    QString base = method + u'&' + UrlEncode(url) + u'&' + QStringLiteral("oauth_consumer_key%3D") +
                   consumerKey + QStringLiteral("%26oauth_nonce%3D") + nonce +
                   QStringLiteral("%26oauth_signature_method%3DHMAC-SHA1") +
                   QStringLiteral("%26oauth_timestamp%3D") + timestamp;
    if (!token.isEmpty())
        base += QStringLiteral("%26oauth_token%3D") + token;
    base += QStringLiteral("%26oauth_version%3D1.0") + ownParameters;
    return base;
}

clsDropbox::Answer clsDropbox::signedRequest(const QString &method, const QString &path, const QString &token,
                                             const QString &tokenSecret, const QString &baseParameters,
                                             const QString &queryParameters)
{
    const QString url = m_config.dropbox.api + path;
    const QString nonce = newNonce();
    const QString timestamp = timestampNow();
    const QString base =
        SignatureBase(method, url, m_config.dropbox.consumerKey, nonce, timestamp, token, baseParameters);

    hs1 hmac;
    hmac.InitHmac(hs1::ToUTF8(m_config.dropbox.consumerSecret + u'&' + tokenSecret));
    QString signature = hs1::Encode(hmac.HmacSha1(hs1::ToUTF8(base)), hs1::Base64, hs1::NoBreaks);
    signature.remove(u'\r');
    signature.remove(u'\n');

    QString query = QStringLiteral("oauth_consumer_key=") + m_config.dropbox.consumerKey +
                    QStringLiteral("&oauth_nonce=") + nonce;
    if (!token.isEmpty())
        query += QStringLiteral("&oauth_token=") + token;
    query += QStringLiteral("&oauth_timestamp=") + timestamp +
             QStringLiteral("&oauth_signature_method=HMAC-SHA1&oauth_version=1.0") + queryParameters +
             QStringLiteral("&oauth_signature=") + UrlEncode(signature);

    m_request->open(method, url + u'?' + query);
    m_request->setRequestHeader(QStringLiteral("Content-Type"),
                                QStringLiteral("application/x-www-form-urlencoded"));
    if (method == u"GET")
        m_request->send();
    else
        m_request->send(QString());
    Answer answer{m_request->status(), m_request->responseText()};
    noteRefusal(answer);
    return answer;
}

void clsDropbox::noteRefusal(const Answer &answer)
{
    m_lastServiceError.clear();
    if (answer.status >= 400) {
        m_lastServiceError = ParseJson(answer.text).value.Item(u"error").toString();
        if (m_lastServiceError.isEmpty())
            m_lastServiceError = QStringLiteral("HTTP %1").arg(answer.status);
    }
}

bool clsDropbox::requestToken(QString *token, QString *secret)
{
    try {
        const Answer answer =
            signedRequest(QStringLiteral("POST"), QStringLiteral("/1/oauth/request_token"), {}, {});
        // The answer is read by position: the secret first, then the token.
        const QStringList parts = answer.text.split(u'&');
        if (parts.size() < 2)
            throw std::runtime_error("request token answer");
        *secret = QString(parts.at(0)).remove(QStringLiteral("oauth_token_secret="));
        *token = QString(parts.at(1)).remove(QStringLiteral("oauth_token="));
        return true;
    } catch (const std::exception &) {
        funcMessageDisplay(m_state, m_ui, MessageNo::CannotReachDropbox);
        return false;
    }
}

bool clsDropbox::accessToken(const QString &requestToken, const QString &requestSecret)
{
    try {
        const Answer answer = signedRequest(QStringLiteral("POST"), QStringLiteral("/1/oauth/access_token"),
                                            requestToken, requestSecret);
        const QStringList parts = answer.text.split(u'&');
        QString secret, token, uid;
        if (parts.size() < 3 || !valueOf(parts.at(0), &secret) || !valueOf(parts.at(1), &token) ||
            !valueOf(parts.at(2), &uid))
            return false;
        SettingsStore(m_state.SettingsFile)
            .write({{settingsKey(SettingsKey::DropBoxUid), uid},
                    {settingsKey(SettingsKey::DropBoxToken), token},
                    {settingsKey(SettingsKey::DropBoxTokenSecret), secret}});
        return !uid.isEmpty();
    } catch (const std::exception &) {
        return false;
    }
}

bool clsDropbox::CreateAccount()
{
    const SignInBusy busy(m_signIn);
    if (onStatus)
        onStatus(QStringLiteral("Please wait - Communicating with Dropbox..."));
    QString requestTokenValue, requestSecret;
    bool success = false;
    if (requestToken(&requestTokenValue, &requestSecret)) {
        m_ok = m_signIn.askAuthorize();
        if (m_ok) {
            // The request token travels in the address the user's browser
            // opens; it is worth nothing without the consumer secret.
            const QString page =
                m_config.dropbox.web + QStringLiteral("/1/oauth/authorize?oauth_token=") + requestTokenValue;
            if (m_signIn.openInBrowser(page)) {
                m_ok = m_signIn.askCompleteAuthorization();
            } else {
                funcMessageDisplay(m_state, m_ui, MessageNo::AuthorizationFailed);
                // A desktop without a browser need not end the sign-in: the
                // page can still be approved where the program shows it.
                // Without that, the token exchange is still tried: it tells
                // whether access was granted after all.
                if (m_signIn.openInstead(page, QStringLiteral("Dropbox")))
                    m_ok = m_signIn.askCompleteAuthorization();
            }
        }
        if (m_ok)
            success = accessToken(requestTokenValue, requestSecret);
    }
    if (success)
        GetAuthDBUserInfoFromDB();
    return success;
}

void clsDropbox::GetAuthUserInfo()
{
    const SettingsStore settings(m_state.SettingsFile);
    if (auto value = settings.read(settingsKey(SettingsKey::DropBoxUid)))
        m_uid = *value;
    if (auto value = settings.read(settingsKey(SettingsKey::DropBoxToken)))
        m_oauthToken = *value;
    if (auto value = settings.read(settingsKey(SettingsKey::DropBoxTokenSecret)))
        m_oauthTokenSecret = *value;
}

void clsDropbox::GetAuthDBUserInfoFromDB()
{
    GetAuthUserInfo();
    IsAppUser();
}

void clsDropbox::IsAppUser()
{
    m_authorized = false;
    m_publicAppUrl.clear();
    try {
        const Answer answer = signedRequest(QStringLiteral("POST"), QStringLiteral("/1/account/info"),
                                            m_oauthToken, m_oauthTokenSecret);
        const JsonValue info = ParseJson(answer.text).value;
        m_publicAppUrl = info.Item(u"public_app_url").toString();
        m_displayName = info.Item(u"display_name").toString();
        m_authorized = !m_publicAppUrl.isEmpty();
    } catch (const std::exception &) {
        // No answer: not authorized, as with a refused token.
    }
}

bool clsDropbox::IsAuthoriseUserExist()
{
    const std::optional<QString> uid =
        SettingsStore(m_state.SettingsFile).read(settingsKey(SettingsKey::DropBoxUid));
    if (!uid || uid->isEmpty())
        return false;
    // The stored token may have changed since this object was made (a
    // sign-in elsewhere, a revoke in the Settings window).
    GetAuthUserInfo();
    IsAppUser();
    return m_authorized;
}

void clsDropbox::CreateFolder(const QString &name)
{
    // The path's value is encoded once in the query and twice in the base
    // string, where the whole parameter string is encoded again.
    try {
        signedRequest(QStringLiteral("POST"), QStringLiteral("/1/fileops/create_folder"), m_oauthToken,
                      m_oauthTokenSecret,
                      QStringLiteral("%26path%3D%252F") + UrlEncode(UrlEncode(name)) +
                          QStringLiteral("%26root%3Dsandbox"),
                      QStringLiteral("&root=sandbox&path=%2F") + UrlEncode(name));
    } catch (const std::exception &) {
        // The caller goes on with the name; the local folder is what counts.
    }
}

QString clsDropbox::GetDBFolderList()
{
    try {
        const Answer answer = signedRequest(QStringLiteral("GET"), QStringLiteral("/1/metadata/sandbox/"),
                                            m_oauthToken, m_oauthTokenSecret);
        return answer.text;
    } catch (const std::exception &) {
        return {};
    }
}

QList<AlbumEntry> clsDropbox::albums()
{
    // The listing's entries are its eighth member, in answer order.
    const QList<JsonValue> members = ParseJson(GetDBFolderList()).value.Items();
    QList<AlbumEntry> entries;
    if (members.size() < 8)
        return entries;
    const JsonValue contents = members.at(7);
    for (qsizetype i = 1; i <= contents.Count(); ++i) {
        const QString name = contents.Item(i).Item(u"path").toString().remove(u'/');
        if (name.startsWith(u"PL-") || name == u"Download Images")
            continue;
        entries.append({name, name});
    }
    return entries;
}

QString clsDropbox::createAlbum(const QString &name)
{
    CreateFolder(name);
    return name;
}

#include "webservices/clsFacebook.h"

#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/SettingsKeys.h"
#include "core/UserPrompt.h"
#include "webkit/Json.h"
#include "webkit/SignIn.h"
#include "webkit/WebText.h"
#include "webkit/clsFBCallback.h"

#include <QFile>
#include <QScopeGuard>

#include <pugixml.hpp>

namespace {

constexpr char16_t kProfileFql[] =
    u"select uid, first_name, last_name, name, pic_square, pic_big, affiliations, timezone, birthday_date, "
    u"sex, "
    u"relationship_status,hometown_location, current_location, activities, interests, music, tv, movies, "
    u"books,quotes,about_me, hs_info, education_history, work_history, family, website, email FROM user "
    u"where uid=";
constexpr char16_t kPermissionsFql[] =
    u"select user_photos, publish_stream, read_stream from permissions where uid = me()";
constexpr char16_t kAlbumsFql[] =
    u"SELECT aid, name, object_id,can_upload FROM album where owner=me() and can_upload=1";
constexpr char16_t kScope[] = u"offline_access,user_photos,read_stream,publish_stream";
constexpr char16_t kFormType[] = u"application/x-www-form-urlencoded";
constexpr char16_t kPermissionMessage[] =
    u"It seems that all the Facebook rights required to install the program have not been granted by you. "
    u"Please "
    u"grant all the required rights to proceed. Flazz will now exit. Please retry.";

QString text(const char16_t *literal)
{
    return QString::fromUtf16(literal);
}

// Facebook takes the FQL text, the token and the album name as they are,
// but a URL cannot carry blanks, controls or bytes above 127 literally.
// Only those (and the characters that would end the query) are escaped, each
// character standing for the byte of its code, so the name's UTF-8 bytes
// from ADO_EncodeUTF8 arrive as themselves; everything else stays as written.
QString carried(const QString &value)
{
    static const QString unsafe = QStringLiteral("\"#%<>[\\]^`{|}");
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u > 0xFF) {
            for (const char b : QString(c).toUtf8())
                out += u'%' + QString::number(uchar(b), 16).toUpper().rightJustified(2, u'0');
        } else if (u <= 0x20 || u >= 0x7F || unsafe.contains(c)) {
            out += u'%' + QString::number(u, 16).toUpper().rightJustified(2, u'0');
        } else {
            out += c;
        }
    }
    return out;
}

// A permission flag of the answer as a number; 0 when it is missing or not one.
double leadingNumber(const char *text)
{
    return QString::fromUtf8(text).trimmed().toDouble();
}

} // namespace

clsFacebook::clsFacebook(AppState &state, ServiceConfig config, SignIn &signIn, UserPrompt &ui)
    : m_state(state), m_config(std::move(config)), m_signIn(signIn), m_ui(ui), m_settings(state.SettingsFile)
{
    LoadAppId();
    GetAuthFBUserInfoFromDB();
}

clsFacebook::~clsFacebook() = default;

void clsFacebook::status(const QString &message)
{
    if (StatusChange)
        StatusChange(message);
}

void clsFacebook::LoadAppId()
{
    // A build for another registered application drops its id into
    // "auth.txt" beside the pages; its first TAB field is taken byte for
    // byte, line breaks included.
    QFile file(m_state.ResourcesFolder + u"auth.txt");
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) {
        m_appId = m_config.facebook.appId;
        return;
    }
    m_appId = QString::fromLatin1(file.readAll()).section(u'\t', 0, 0);
}

QString clsFacebook::exchange(const QString &method, const QString &url)
{
    m_request.open(method, url);
    m_request.setRequestHeader(QStringLiteral("Content-Type"), text(kFormType));
    // An empty POST still says so, or a server would wait for a body.
    if (method.compare(u"POST", Qt::CaseInsensitive) == 0)
        m_request.send(QString());
    else
        m_request.send();
    return m_request.responseText();
}

bool clsFacebook::CreateFacebookAccount()
{
    const SignInBusy busy(m_signIn);
    status(QStringLiteral("Please wait- Communicating with Facebook..."));
    // The sign-in window leaves a busy indicator up once its page ended;
    // it comes down whatever becomes of the rest.
    const auto closeBusy = qScopeGuard([this] { m_signIn.closeBusy(); });
    if (!SignInWithBrowser())
        return false;
    FetchProfile(m_faceBookId, true);
    GetAuthFBUserInfoFromDB();
    return IsAppUser();
}

bool clsFacebook::SignInWithBrowser()
{
    try {
        // Only a token from this sign-in counts: one left in memory from the
        // settings must not pass for a fresh one when the user gave up.
        m_accessToken.clear();
        const QString success = m_config.facebook.loginPages + u"/connect/login_success.html";
        SignInPage page;
        page.module = SignInModule::Facebook;
        page.actionUrl = m_config.facebook.web + u"/dialog/oauth?client_id=" + m_appId + u"&redirect_uri=" +
                         success + u"&scope=" + text(kScope) + u"&response_type=token&display=popup";
        page.successUrl = success;
        page.failedUrl = m_config.facebook.loginPages + u"/login_failure.html";

        QString ended;
        {
            const bool wasOpen = m_state.ModalFormOpen;
            m_state.ModalFormOpen = true;
            const auto restore = qScopeGuard([this, wasOpen] { m_state.ModalFormOpen = wasOpen; });
            ended = m_signIn.browse(page);
        }

        if (!ended.isEmpty())
            ParseAccessToken(ended);
        if (m_accessToken.isEmpty())
            return false;
        return CheckAccessToken();
    } catch (const std::exception &) {
        QString title;
        funcMessageDisplay(m_state, m_ui, MessageNo::CallerText, MsgStyle::Critical, title,
                           QStringLiteral("Cannot communicate with Facebook."));
        return false;
    }
}

void clsFacebook::ParseAccessToken(const QString &url)
{
    const QStringList pieces = UrlDecode(url).split(QStringLiteral("#access_token="));
    if (pieces.size() < 2)
        return;
    m_accessToken = pieces.at(1).section(u'&', 0, 0);
}

bool clsFacebook::CheckAccessToken()
{
    status(QStringLiteral("Please wait- Checking your Token with Facebook..."));
    try {
        const JsonValue me =
            ParseJson(exchange(QStringLiteral("get"),
                               m_config.facebook.graph + u"/me?access_token=" + carried(m_accessToken)))
                .value;
        if (!me.isObject())
            return false;
        m_faceBookId = me.Item(u"id").toString();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

void clsFacebook::FetchProfile(const QString &userId, bool storeToken)
{
    status(QStringLiteral("Please wait- Checking your Token with Facebook..."));
    const QString answer =
        exchange(QStringLiteral("get"), m_config.facebook.restApi + u"/method/fql.query?query=" +
                                            carried(text(kProfileFql) + userId) + u"&access_token=" +
                                            carried(m_accessToken));
    pugi::xml_document doc;
    doc.load_string(reinterpret_cast<const pugi::char_t *>(answer.toUtf8().constData()));
    // No user found (a token Facebook does not know): nothing is stored.
    const pugi::xpath_node_set users = doc.select_nodes("//user");
    if (users.empty())
        return;
    m_name = QString::fromUtf8(users[users.size() - 1].node().child("name").text().get());
    InsertFacebookProfile(userId, storeToken);
}

void clsFacebook::InsertFacebookProfile(const QString &userId, bool storeToken)
{
    std::vector<std::pair<QString, QString>> values;
    if (storeToken)
        values.emplace_back(QString::fromLatin1(SettingsKey::FacebookAccessToken), m_accessToken);
    values.emplace_back(QString::fromLatin1(SettingsKey::FacebookID), userId);
    m_settings.write(values);
}

void clsFacebook::GetAuthFBUserInfoFromDB()
{
    m_accessToken = m_settings.readOr(QString::fromLatin1(SettingsKey::FacebookAccessToken));
    m_faceBookId = m_settings.readOr(QString::fromLatin1(SettingsKey::FacebookID));
}

void clsFacebook::DeleteFacebookUser()
{
    m_settings.write({{QString::fromLatin1(SettingsKey::FacebookAccessToken), QString()},
                      {QString::fromLatin1(SettingsKey::FacebookID), QString()}});
}

bool clsFacebook::IsAuthoriseUserExist()
{
    if (m_settings.readOr(QString::fromLatin1(SettingsKey::FacebookAccessToken)).isEmpty())
        return false;
    return IsAppUser();
}

bool clsFacebook::IsAppUser()
{
    const QString url = m_config.facebook.restApi + u"/method/fql.query?query=" +
                        carried(text(kPermissionsFql)) + u"&access_token=" + carried(m_accessToken);
    m_isAppUser = false;
    m_xmlIsAppUser = std::make_unique<clsFBCallback>(m_state);
    m_xmlIsAppUser->setCurrentOperation(clsFBCallback::OperationPermissionCheck);
    // Judged here, after the request: the sign-out the verdict may call for
    // must not run inside the check's own event handling.
    if (const std::optional<QString> answer =
            m_xmlIsAppUser->PostForAnswer(url, QStringLiteral("GET"), text(kFormType)))
        XMLIsAppUser_Response(*answer);
    return m_isAppUser;
}

void clsFacebook::XMLIsAppUser_Response(const QString &answer)
{
    m_isAppUser = false;
    if (answer.isEmpty() || answer.contains(u"<error_response"))
        return;
    pugi::xml_document doc;
    // An answer that is not XML at all (a proxy's page) says nothing about
    // the permissions, and must not sign the user out.
    if (!doc.load_string(reinterpret_cast<const pugi::char_t *>(answer.toUtf8().constData())))
        return;
    if (leadingNumber(doc.select_node("//publish_stream").node().text().get()) != 0 &&
        leadingNumber(doc.select_node("//read_stream").node().text().get()) != 0) {
        m_isAppUser = true;
        return;
    }
    DeleteFacebookUser();
    Signout();
    m_signIn.closeBusy();
    m_ui.systemMessage(text(kPermissionMessage), MsgStyle::Information, QStringLiteral("Flazz"));
}

QString clsFacebook::ADO_EncodeUTF8(const QString &value)
{
    QString out;
    const QByteArray bytes = value.toUtf8();
    out.reserve(bytes.size());
    for (const char b : bytes)
        out += QChar(char16_t(uchar(b)));
    return out;
}

void clsFacebook::Signout()
{
    exchange(QStringLiteral("DELETE"),
             m_config.facebook.graph + u"/me/permissions?access_token=" + carried(m_accessToken));
}

QString clsFacebook::FillFBAlbumList()
{
    return exchange(QStringLiteral("GET"), m_config.facebook.restApi + u"/method/fql.query?query=" +
                                               carried(text(kAlbumsFql)) + u"&access_token=" +
                                               carried(m_accessToken));
}

QString clsFacebook::CreateAlbum(const QString &name)
{
    GetAuthFBUserInfoFromDB();
    const JsonValue album =
        ParseJson(exchange(QStringLiteral("POST"), m_config.facebook.graph + u"/me/albums?name=" +
                                                       carried(ADO_EncodeUTF8(name)) + u"&access_token=" +
                                                       carried(m_accessToken)))
            .value;
    if (!album.isObject())
        throw ToolkitError(424, QStringLiteral("clsFacebook.CreateAlbum"),
                           QStringLiteral("Facebook did not answer the album creation with an object"));
    return album.Item(u"id").toString();
}

QList<AlbumEntry> clsFacebook::albums()
{
    const QString answer = FillFBAlbumList();
    pugi::xml_document doc;
    doc.load_string(reinterpret_cast<const pugi::char_t *>(answer.toUtf8().constData()));
    QList<AlbumEntry> out;
    for (const pugi::xpath_node &album : doc.select_nodes("//album"))
        out.append({QString::fromUtf8(album.node().child("name").text().get()),
                    QString::fromUtf8(album.node().child("object_id").text().get())});
    return out;
}

#include "webservices/clsFlickr.h"

#include "core/AppState.h"
#include "core/ErrorReport.h"
#include "core/MessageCatalog.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "webkit/FlickrSignature.h"
#include "webkit/SignIn.h"
#include "webkit/WebRequest.h"

#include <pugixml.hpp>

namespace {

QString text(const pugi::xml_node &node)
{
    return QString::fromUtf8(node.text().get());
}

pugi::xml_node first(const pugi::xml_document &doc, const char *name)
{
    return doc.select_node((std::string("//") + name).c_str()).node();
}

// The first attribute of "rsp" is its "stat".
bool answeredOk(const pugi::xml_document &doc)
{
    return QString::fromUtf8(first(doc, "rsp").first_attribute().value()) == u"ok";
}

} // namespace

clsFlickr::clsFlickr(AppState &state, ServiceConfig config, SignIn &signIn, UserPrompt &ui)
    : m_state(state), m_config(std::move(config)), m_signIn(signIn), m_ui(ui),
      m_request(std::make_unique<WebRequest>())
{
}

clsFlickr::~clsFlickr() = default;

void clsFlickr::status(const QString &text)
{
    if (StatusChange)
        StatusChange(text);
}

void clsFlickr::post(const QString &method, const QString &body)
{
    m_request->open(method, m_config.flickr.rest + QStringLiteral("/services/rest/"));
    m_request->setRequestHeader(QStringLiteral("Content-Type"),
                                QStringLiteral("application/x-www-form-urlencoded"));
    m_request->setRequestHeader(QStringLiteral("Content-Length"), QString::number(body.size()));
    m_request->send(body);
    noteFailure();
}

void clsFlickr::noteFailure()
{
    const pugi::xml_document &doc = m_request->responseXML();
    m_lastServiceError =
        answeredOk(doc) ? QString() : QString::fromUtf8(first(doc, "err").attribute("msg").value());
}

bool clsFlickr::CreateFlickrAccount()
{
    const SignInBusy busy(m_signIn);
    status(QStringLiteral("Please wait- Communicating with Flickr..."));
    if (!SignInWithFrob())
        return false;
    SaveFlickrToken(m_token);
    return !m_token.isEmpty();
}

bool clsFlickr::SignInWithFrob()
{
    const QString &key = m_config.flickr.apiKey;
    const QString &secret = m_config.flickr.sharedSecret;
    try {
        const QString method = QStringLiteral("flickr.auth.getFrob");
        post(QStringLiteral("POST"), QStringLiteral("method=") + method + QStringLiteral("&api_key=") + key +
                                         QStringLiteral("&api_sig=") +
                                         SignFlickrCall(secret, {{QStringLiteral("api_key"), key},
                                                                 {QStringLiteral("method"), method}}));
        const pugi::xml_document &doc = m_request->responseXML();
        if (!first(doc, "rsp")) {
            funcMessageDisplay(m_state, m_ui, MessageNo::CannotReachFlickr);
            return false;
        }
        const pugi::xml_node frob = first(doc, "frob");
        if (!frob) {
            funcMessageDisplay(m_state, m_ui, MessageNo::FlickrAuthorizationFailed);
            return false;
        }
        m_frob = text(frob);
    } catch (const std::exception &) {
        funcMessageDisplay(m_state, m_ui, MessageNo::CannotReachFlickr);
        return false;
    }

    const QString signature = SignFlickrCall(secret, {{QStringLiteral("api_key"), key},
                                                      {QStringLiteral("frob"), m_frob},
                                                      {QStringLiteral("perms"), QStringLiteral("write")}});
    status(QString());
    m_authUrl = m_config.flickr.auth + QStringLiteral("/services/auth/?api_key=") + key +
                QStringLiteral("&perms=write&frob=") + m_frob + QStringLiteral("&api_sig=") + signature;

    m_ok = m_signIn.askAuthorize();
    if (!m_ok)
        return false;
    if (!m_signIn.openInBrowser(m_authUrl)) {
        funcMessageDisplay(m_state, m_ui, MessageNo::FlickrAuthorizationFailed);
        // Rather than give up on a desktop without a browser, the page is
        // offered where the program can show it.
        if (!m_signIn.openInstead(m_authUrl, QStringLiteral("Flickr")))
            return false;
    }
    m_ok = m_signIn.askCompleteAuthorization();
    if (!m_ok)
        return false;
    return GetFrobToken();
}

bool clsFlickr::GetFrobToken()
{
    const QString &key = m_config.flickr.apiKey;
    try {
        const QString method = QStringLiteral("flickr.auth.getToken");
        post(QStringLiteral("post"),
             QStringLiteral("method=") + method + QStringLiteral("&api_key=") + key +
                 QStringLiteral("&frob=") + m_frob + QStringLiteral("&api_sig=") +
                 SignFlickrCall(m_config.flickr.sharedSecret, {{QStringLiteral("api_key"), key},
                                                               {QStringLiteral("frob"), m_frob},
                                                               {QStringLiteral("method"), method}}));
        const pugi::xml_document &doc = m_request->responseXML();
        if (answeredOk(doc)) {
            m_token = text(first(doc, "token"));
            const pugi::xml_node user = first(doc, "user");
            m_userId = QString::fromUtf8(user.attribute("nsid").value());
            m_userName = QString::fromUtf8(user.attribute("username").value());
            return true;
        }
    } catch (const std::exception &) {
    }
    funcMessageDisplay(m_state, m_ui, MessageNo::AuthorizationFailed);
    m_token.clear();
    return false;
}

void clsFlickr::SaveFlickrToken(const QString &token)
{
    SettingsStore settings(m_state.SettingsFile);
    const QString key = QLatin1String(SettingsKey::FlickrAccessToken);
    // A settings file that does not load keeps its old token, as before.
    if (!settings.loads())
        return;
    // One that loads but has no place for the token is an error to report:
    // the sign-in would otherwise seem to work and be forgotten at once.
    const bool hasKey = settings.read(key).has_value();
    if (!hasKey || !settings.write(key, token))
        LogError(m_state, m_ui, QString(), QStringLiteral("clsFlickr"), QStringLiteral("CreateFlickrAccount"),
                 hasKey ? 75 : 91,
                 hasKey ? QStringLiteral("The settings file could not be saved.")
                        : QStringLiteral("The settings file has no element ") + key + u'.',
                 QStringLiteral("clsFlickr"));
}

bool clsFlickr::CheckFlickrUser(const QString &token)
{
    if (token.isEmpty())
        return false;
    status(QStringLiteral("Please wait- Checking your Token with Flickr..."));
    const QString &key = m_config.flickr.apiKey;
    try {
        const QString method = QStringLiteral("flickr.auth.checkToken");
        post(QStringLiteral("post"),
             QStringLiteral("method=") + method + QStringLiteral("&api_key=") + key +
                 QStringLiteral("&auth_token=") + token + QStringLiteral("&api_sig=") +
                 SignFlickrCall(m_config.flickr.sharedSecret, {{QStringLiteral("api_key"), key},
                                                               {QStringLiteral("auth_token"), token},
                                                               {QStringLiteral("method"), method}}));
        const pugi::xml_document &doc = m_request->responseXML();
        if (!answeredOk(doc))
            return false;
        const pugi::xml_node user = first(doc, "user");
        m_userId = QString::fromUtf8(user.attribute("nsid").value());
        m_userName = QString::fromUtf8(user.attribute("username").value());
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

QString clsFlickr::GetFlickrUserAuthCode()
{
    return SettingsStore(m_state.SettingsFile).readOr(QLatin1String(SettingsKey::FlickrAccessToken));
}

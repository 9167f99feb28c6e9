#pragma once

#include "cloudfolders/CloudConnector.h"
#include "webkit/ServiceConfig.h"

#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class SignIn;
class UserPrompt;
class WebRequest;
struct AppState;

// The program's link to the Dropbox API version 1 for an application with
// access to its own folder ("Apps/Flazz" in the user's Dropbox): OAuth 1.0
// with HMAC-SHA1 signatures, the token kept in the settings file, the
// token's check, and the folders at the top of the application folder. The
// photos themselves never travel through this class.
class clsDropbox : public CloudConnector
{
public:
    // Loads the stored token and, when the last internet check succeeded,
    // asks the service at once whether it still works.
    clsDropbox(AppState &state, ServiceConfig config, SignIn &signIn, UserPrompt &ui);
    ~clsDropbox() override;
    clsDropbox(const clsDropbox &) = delete;
    clsDropbox &operator=(const clsDropbox &) = delete;

    // Runs the whole authorization dialogue; on success the new token is
    // stored, loaded and checked.
    bool CreateAccount() override;
    // Loads uid and token from the settings file into this object.
    void GetAuthUserInfo();
    // The same, then checks the token with the service.
    void GetAuthDBUserInfoFromDB();
    // Creates the folder `name` at the top of the application folder.
    void CreateFolder(const QString &name);
    // True when the settings hold a uid and the service accepts the token.
    bool IsAuthoriseUserExist() override;
    // The account information call; sets authorized and public_app_url.
    void IsAppUser();
    // The raw JSON listing of the top of the application folder; empty when
    // the request could not be made.
    QString GetDBFolderList();

    bool OK() const { return m_ok; }
    void setOK(bool ok) { m_ok = ok; }

    QString AccessToken() const override { return m_oauthToken; }
    QString AccessTokenSecret() const override { return m_oauthTokenSecret; }
    QString uid() const { return m_uid; }
    bool authorized() const { return m_authorized; }
    QString publicAppUrl() const { return m_publicAppUrl; }
    // The account's name as the last account information answer gave it.
    QString displayName() const { return m_displayName; }
    // The service's own words for the last refusal ("error" of its answer);
    // empty when the last answer was not a refusal.
    QString lastServiceError() const { return m_lastServiceError; }

    // The folder names the chooser offers: every entry at the top of the
    // application folder, without the program's own "PL-" folders and
    // "Download Images".
    QList<AlbumEntry> albums() override;
    // Creates the folder and answers its name, whether or not the service
    // made it: the photos go into a local folder of that name anyway.
    QString createAlbum(const QString &name) override;

    // Raised with "Please wait - Communicating with Dropbox..." when the
    // sign-in starts.
    std::function<void(const QString &)> onStatus;

    // The text HMAC-SHA1 signs for `method` on `url` (scheme, host, path):
    // the OAuth parameters in the program's fixed order, then `ownParameters`
    // (already encoded for the base string). No token means the request
    // token's form. Public so tests can compare against an independent
    // verifier.
    static QString SignatureBase(const QString &method, const QString &url, const QString &consumerKey,
                                 const QString &nonce, const QString &timestamp, const QString &token,
                                 const QString &ownParameters);

private:
    struct Answer
    {
        int status = 0;
        QString text;
    };
    // One signed request. `baseParameters` and `queryParameters` are the
    // request's own parameters as they appear in the base string and the
    // query. Throws WebRequestError when no answer came.
    Answer signedRequest(const QString &method, const QString &path, const QString &token,
                         const QString &tokenSecret, const QString &baseParameters = {},
                         const QString &queryParameters = {});
    void noteRefusal(const Answer &answer);
    bool requestToken(QString *token, QString *secret);
    bool accessToken(const QString &requestToken, const QString &requestSecret);

    AppState &m_state;
    ServiceConfig m_config;
    SignIn &m_signIn;
    UserPrompt &m_ui;
    std::unique_ptr<WebRequest> m_request;

    QString m_uid;
    QString m_publicAppUrl;
    QString m_displayName;
    QString m_oauthToken;
    QString m_oauthTokenSecret;
    bool m_authorized = false;
    bool m_ok = false;
    QString m_lastServiceError;
};

#pragma once

#include "cloudfolders/CloudConnector.h"
#include "core/SettingsStore.h"
#include "webkit/ServiceConfig.h"
#include "webkit/WebRequest.h"

#include <QString>

#include <functional>
#include <memory>

struct AppState;
class SignIn;
class UserPrompt;
class clsFBCallback;
struct RenewedTokens;

// The program's link to SkyDrive: signs the user in inside the program (the
// sign-in ends on the desktop redirect address, which carries the code),
// keeps the tokens in the settings, asks the permissions call whether the
// program still may write to the user's SkyDrive (renewing the access token
// in memory when the service says it expired), and lists and creates folders
// inside the photos folder.
//
// Requests are synchronous. When one cannot be completed the answer is "not
// authorized", an empty list text or an empty id.
class clsSkydrive : public CloudConnector
{
public:
    clsSkydrive(AppState &state, ServiceConfig config, SignIn &signIn, UserPrompt &ui);
    ~clsSkydrive() override;
    clsSkydrive(const clsSkydrive &) = delete;
    clsSkydrive &operator=(const clsSkydrive &) = delete;

    // Progress texts of the sign-in, for whoever wants to show them.
    std::function<void(const QString &)> StatusChange;

    // Loads the three stored tokens.
    void GetAuthUserInfoFromDB();
    // Renews the tokens from the refresh token, in memory only.
    void RefeshToken();
    // Judges one answer of the permissions call and sets the verdict.
    void XMLIsAppUser_Response(const QString &answer);
    // The raw JSON list of the photos folder; its "data" carry "name" and "id".
    QString GetFolderList();
    // The id of the new folder inside the photos folder.
    QString CreateAlbum(const QString &name);

    // The verdict of the last permissions check.
    bool Authorized() const { return m_authorized; }
    QString AuthenticationToken() const { return m_authenticationToken; }
    QString RefreshToken() const { return m_refreshToken; }

    // CloudConnector: a stored token the permissions call accepts, the
    // sign-in dialogue followed by that check, and the folders as "name"
    // with cargo "id", listed after renewing the token.
    bool IsAuthoriseUserExist() override;
    bool CreateAccount() override;
    QString AccessToken() const override { return m_accessToken; }
    QList<AlbumEntry> albums() override;
    QString createAlbum(const QString &name) override { return CreateAlbum(name); }

private:
    bool SignInAndStore();
    void CheckPermissions();
    void takeTokens(const RenewedTokens &tokens);
    QString desktopRedirect() const;

    AppState &m_state;
    ServiceConfig m_config;
    SignIn &m_signIn;
    UserPrompt &m_ui;
    SettingsStore m_settings;
    WebRequest m_request;
    std::unique_ptr<clsFBCallback> m_permissions;

    QString m_accessToken;
    QString m_authenticationToken;
    QString m_refreshToken;
    bool m_authorized = false;
};

#pragma once

#include "cloudfolders/CloudConnector.h"
#include "core/SettingsStore.h"
#include "webkit/ServiceConfig.h"
#include "webkit/WebRequest.h"

#include <QString>

struct AppState;
class SignIn;
class UserPrompt;

// The program's link to Google Drive: signs the user in inside the program
// (the sign-in ends on an approval page whose title carries the code), keeps
// the access token, the refresh token and the user id in the settings, and
// lists and creates folders at the top of the Drive. Every new connector
// renews the access token from the refresh token and stores it, so a stored
// token is never older than the last connector.
//
// Requests are synchronous. When one cannot reach Google the answer is false,
// an empty id or an empty list text.
class clsGoogle : public CloudConnector
{
public:
    clsGoogle(AppState &state, ServiceConfig config, SignIn &signIn, UserPrompt &ui);

    // Loads the tokens and the id, renews the access token and stores it.
    void GetAuthGoogleUserInfoFromDB();
    // Writes the access token, the refresh token and the user id.
    void InsertGoogleProfile();
    // The id of the new folder at the top of the Drive.
    QString CreateAlbum(const QString &name);
    // The raw JSON folder list; its "items" carry "title" and "id".
    QString GetFolderList();

    QString RefreshToken() const { return m_refreshToken; }
    int TokenExpiresIn() const { return m_expiresIn; }
    QString name() const { return m_name; }
    QString GoogleID() const { return m_googleId; }
    QString ClientId() const { return m_clientId; }

    // CloudConnector: a stored access token (nothing asks Google), the
    // sign-in dialogue, and the folders as "title" with cargo "id".
    bool IsAuthoriseUserExist() override;
    bool CreateAccount() override;
    QString AccessToken() const override { return m_accessToken; }
    QList<AlbumEntry> albums() override;
    QString createAlbum(const QString &name) override { return CreateAlbum(name); }

private:
    void LoadCredentials();
    void RenewAccessToken();
    bool SignInAndStore();

    AppState &m_state;
    ServiceConfig m_config;
    SignIn &m_signIn;
    UserPrompt &m_ui;
    SettingsStore m_settings;
    WebRequest m_request;

    QString m_clientId;
    QString m_clientSecret;
    QString m_googleId;
    QString m_accessToken;
    QString m_refreshToken;
    QString m_name;
    int m_expiresIn = 0;
};

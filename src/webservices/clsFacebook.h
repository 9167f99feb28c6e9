#pragma once

#include "core/SettingsStore.h"
#include "webkit/ServiceConfig.h"
#include "webkit/WebRequest.h"
#include "webservices/FacebookAccount.h"

#include <QString>

#include <functional>
#include <memory>

struct AppState;
class SignIn;
class UserPrompt;
class clsFBCallback;

// The program's link to Facebook: signs the user in inside the program (the
// token comes back in the address the sign-in ends on), keeps the token and
// the user id in the settings, checks that the user granted what uploads
// need, lists and creates albums and revokes the program's permissions.
// Photos themselves travel through the background uploader.
//
// All requests are synchronous. A request that cannot reach Facebook throws
// WebRequestError out of every public operation except the sign-in's own
// browser step, which reports it as "Cannot communicate with Facebook.";
// the caller's error trap decides what becomes of the run.
//
// Creation reads only local files, so a window may keep one for its life.
class clsFacebook : public FacebookAccount
{
public:
    clsFacebook(AppState &state, ServiceConfig config, SignIn &signIn, UserPrompt &ui);
    ~clsFacebook() override;
    clsFacebook(const clsFacebook &) = delete;
    clsFacebook &operator=(const clsFacebook &) = delete;

    // Progress texts of the sign-in, for whoever wants to show them.
    std::function<void(const QString &)> StatusChange;

    // Signs in, stores the profile and checks the permissions; true only when
    // all went through and the user granted what the program needs.
    bool CreateFacebookAccount() override;
    // Reloads the token and the user id from the settings.
    void GetAuthFBUserInfoFromDB();
    // Stores the user id, and the token when `storeToken`: the only place a
    // new token reaches the settings.
    void InsertFacebookProfile(const QString &userId, bool storeToken);
    // Empties the stored token and user id; the values in memory stay.
    void DeleteFacebookUser() override;
    // A stored token whose permissions still hold; no request without one.
    bool IsAuthoriseUserExist() override;
    // The permission check; a refusal signs the user out and says why.
    bool IsAppUser();
    // One character per UTF-8 byte of `text`.
    static QString ADO_EncodeUTF8(const QString &text);
    // Revokes every permission the program holds; the answer is not read.
    void Signout();
    // The raw XML answer of the album query: "album" elements with "aid",
    // "name", "object_id" and "can_upload".
    QString FillFBAlbumList();
    // The id of the new album.
    QString CreateAlbum(const QString &name);

    QString AccessToken() const override { return m_accessToken; }
    QString FaceBookID() const { return m_faceBookId; }
    // The user's name as the last profile answer gave it.
    QString name() const { return m_name; }
    QString AppId() const { return m_appId; }

    // AlbumSource: the albums that accept uploads ("name", cargo "object_id");
    // errors pass to the caller as above.
    QList<AlbumEntry> albums() override;
    QString createAlbum(const QString &name) override { return CreateAlbum(name); }

private:
    void LoadAppId();
    bool SignInWithBrowser();
    void ParseAccessToken(const QString &url);
    bool CheckAccessToken();
    void FetchProfile(const QString &userId, bool storeToken);
    void XMLIsAppUser_Response(const QString &answer);
    QString exchange(const QString &method, const QString &url);
    void status(const QString &text);

    AppState &m_state;
    ServiceConfig m_config;
    SignIn &m_signIn;
    UserPrompt &m_ui;
    SettingsStore m_settings;
    WebRequest m_request;
    std::unique_ptr<clsFBCallback> m_xmlIsAppUser;

    QString m_appId;
    QString m_faceBookId;
    QString m_name;
    QString m_accessToken;
    bool m_isAppUser = false;
};

#pragma once

#include "webkit/ServiceConfig.h"
#include "webservices/FlickrAccount.h"

#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class SignIn;
class UserPrompt;
class WebRequest;
struct AppState;

// The program's link to Flickr's frob-based web authentication: a frob from
// the REST API, the user's approval in the system browser between the two
// prompts, the frob exchanged for a token kept in the settings file. Every
// call is signed with the MD5 of the shared secret and the sorted pairs.
class clsFlickr : public FlickrAccount
{
public:
    clsFlickr(AppState &state, ServiceConfig config, SignIn &signIn, UserPrompt &ui);
    ~clsFlickr() override;
    clsFlickr(const clsFlickr &) = delete;
    clsFlickr &operator=(const clsFlickr &) = delete;

    // Runs the sign-in and stores the token when it succeeds; true then.
    bool CreateFlickrAccount() override;
    void setOK(bool ok) { m_ok = ok; }
    // True when Flickr answers "ok" to flickr.auth.checkToken for `token`;
    // an empty token is false without asking.
    bool CheckFlickrUser(const QString &token) override;
    // The stored token; empty when none is stored or the settings file
    // cannot be read.
    QString GetFlickrUserAuthCode() override;

    // The token of the last successful exchange, and whose it is.
    QString token() const { return m_token; }
    QString userId() const { return m_userId; }
    QString userName() const { return m_userName; }
    // Flickr's own words for the last "fail" answer; empty otherwise.
    QString lastServiceError() const { return m_lastServiceError; }

    // Raised with a status text while the sign-in or the check runs.
    std::function<void(const QString &)> StatusChange;

private:
    bool SignInWithFrob();
    bool GetFrobToken();
    void SaveFlickrToken(const QString &token);
    // Posts `body` to the REST endpoint and leaves the answer in m_request.
    void post(const QString &method, const QString &body);
    void status(const QString &text);
    void noteFailure();

    AppState &m_state;
    ServiceConfig m_config;
    SignIn &m_signIn;
    UserPrompt &m_ui;
    std::unique_ptr<WebRequest> m_request;

    QString m_authUrl;
    QString m_frob;
    QString m_token;
    QString m_userId;
    QString m_userName;
    QString m_lastServiceError;
    bool m_ok = false;
};

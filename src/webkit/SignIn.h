#pragma once

#include <QString>

// Which service a page sign-in belongs to; it picks the window's texts and
// whether the result is the address the browser ended on or, for Google, the
// title of the page it ended on.
enum class SignInModule
{
    Facebook = 0,
    Google = 1,
    SkyDrive = 2
};

// A sign-in inside the program: the page to open first and the address
// prefixes that end it. An empty successUrl means no page ends the sign-in;
// only the user can close the window.
struct SignInPage
{
    SignInModule module = SignInModule::Facebook;
    QString actionUrl;
    QString successUrl;
    QString failedUrl;
};

// How connectors meet the user while they authorize: the embedded browser
// for services whose sign-in ends on a recognisable page, the two prompts
// around the system browser for the others. The windows implement it; tests
// implement it with a scripted browser that walks the stand-in's pages; the
// command-line tool implements it on the terminal.
class SignIn
{
public:
    virtual ~SignIn() = default;

    // Shows `page` modally and returns where it ended: the address the
    // browser showed last, or the page title for Google. Empty when there
    // was nothing to read (the connector then finds no token).
    virtual QString browse(const SignInPage &page) = 0;

    // "This service requires that you authorize Flazz..."; true when the user
    // pressed Authorize.
    virtual bool askAuthorize() = 0;

    // "Once you have authorized Flazz via the service's website..."; true
    // when the user pressed Complete Authorization.
    virtual bool askCompleteAuthorization() = 0;

    // Opens an authorization page in the user's default browser; false when
    // the browser could not be started.
    virtual bool openInBrowser(const QString &url) = 0;

    // A Facebook page sign-in that ended on its own leaves a busy indicator
    // up while the connector finishes the account; the connector takes it
    // down here when it is done (or has given up).
    virtual void closeBusy() {}
};

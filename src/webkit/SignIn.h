#pragma once

#include <QString>
#include <QStringList>

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
//
// Whatever shows the pages (the window, the terminal, a test's scripted
// browser) judges where the sign-in stands by the same rules below, so that
// a page that lured the browser elsewhere hands the connector nothing.
struct SignInPage
{
    SignInModule module = SignInModule::Facebook;
    QString actionUrl;
    QString successUrl;
    QString failedUrl;

    // Whether `address` is the success page: it begins with successUrl, or
    // with successUrl where "http" reads "https", in any letter case.
    bool succeededAt(const QString &address) const;
    // Whether a page at `address` ends the sign-in: the success page, the
    // failure page (read the same way), or one beginning with any of
    // `otherEndings`. Never while successUrl is empty.
    bool endsAt(const QString &address, const QStringList &otherEndings = {}) const;
    // What the connector may look for a token or code in, once the browser
    // stopped at `address` showing a page titled `title`: the address when
    // it is the success page; for Google the title while the page is on the
    // site of the success address. Empty for anywhere else.
    QString result(const QString &address, const QString &title) const;
};

// Whether `address` lies on the site (host and port) of `site`, over the
// same scheme or from http up to https.
bool onSiteOf(const QString &address, const QString &site);

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

    // The user's own browser could not be started for `url`: shows the page
    // some other way (the program's own window shows any page), for the user
    // to approve `service` there. True once the user is done with it, so the
    // sign-in can ask whether it completed; false when there is no other way.
    virtual bool openInstead(const QString &url, const QString &service)
    {
        Q_UNUSED(url);
        Q_UNUSED(service);
        return false;
    }

    // The sign-in is at work with the service: the pointer shows it until
    // it is called with false.
    virtual void setBusy(bool busy) { Q_UNUSED(busy); }

    // A Facebook page sign-in that ended on its own leaves a busy indicator
    // up while the connector finishes the account; the connector takes it
    // down here when it is done (or has given up).
    virtual void closeBusy() {}
};

// The busy pointer for as long as a connector signs in.
class SignInBusy
{
public:
    explicit SignInBusy(SignIn &signIn) : m_signIn(signIn) { m_signIn.setBusy(true); }
    ~SignInBusy() { m_signIn.setBusy(false); }
    SignInBusy(const SignInBusy &) = delete;
    SignInBusy &operator=(const SignInBusy &) = delete;

private:
    SignIn &m_signIn;
};

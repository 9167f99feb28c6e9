#pragma once

#include "webkit/SignIn.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

// A SignIn for tests that behaves like a person in front of a browser on the
// sandbox's pages: it loads the page over HTTP, follows redirects, and on a
// sign-in form presses the button the script says ("approve" or "refuse"),
// sending the form's hidden fields as a browser would. It stops on the first
// address that ends the sign-in by the page's own rules, or when a page
// offers nothing more to do, and returns what the sign-in window would hand
// the connector from there (the success address, or Google's title).
//
// Sandbox sign-in pages carry one <form method="post" action="..."> whose
// buttons are <button name="decision" value="approve|refuse">.
class ScriptedSignIn : public SignIn
{
public:
    // What the person does on each sign-in form; "approve" when empty.
    std::deque<QString> decisions;
    // Answers of the two prompts; true when a queue runs dry.
    std::deque<bool> authorizeAnswers;
    std::deque<bool> completeAnswers;
    // Whether openInBrowser walks the page (the user approves in the
    // browser) or only records it (the user never gets there).
    bool approveInBrowser = true;
    bool browserStarts = true; // false: openInBrowser reports a browser that cannot be started
    // Whether openInstead has a window to show the page in (which the
    // person then walks as in their own browser).
    bool ownWindow = true;
    // Whether the busy pointer is up, and how often it went up.
    bool busy = false;
    int busyTimes = 0;

    // Every call in order: "browse <url>", "authorize", "complete",
    // "open <url>", "instead <service> <url>".
    QStringList calls;
    // Every address the scripted browser loaded, redirects included.
    QStringList visited;

    QString browse(const SignInPage &page) override;
    bool askAuthorize() override;
    bool askCompleteAuthorization() override;
    bool openInBrowser(const QString &url) override;
    bool openInstead(const QString &url, const QString &service) override;
    void setBusy(bool on) override
    {
        busyTimes += on && !busy ? 1 : 0;
        busy = on;
    }

    // Walks from `url` until an address `stopsAt` or a page with nothing to
    // press; returns the last address and leaves the last page's title in
    // *title.
    QString walk(const QString &url, const std::function<bool(const QString &)> &stopsAt = {},
                 QString *title = nullptr);

private:
    QString nextDecision();
};

// A browser that ends where the test says, without loading anything.
class EndingSignIn : public ScriptedSignIn
{
public:
    QString ending;
    QString browse(const SignInPage &page) override
    {
        calls.append(u"browse " + page.actionUrl);
        return ending;
    }
};

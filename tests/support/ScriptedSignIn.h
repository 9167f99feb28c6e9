#pragma once

#include "webkit/SignIn.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>

// A SignIn for tests that behaves like a person in front of a browser on the
// sandbox's pages: it loads the page over HTTP, follows redirects, and on a
// sign-in form presses the button the script says ("approve" or "refuse"),
// sending the form's hidden fields as a browser would. It stops on the first
// address that begins with the page's success or failure prefix, or when a
// page offers nothing more to do, and returns where a browser would have
// ended (the address, or the page title for Google).
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

    // Every call in order: "browse <url>", "authorize", "complete",
    // "open <url>".
    QStringList calls;
    // Every address the scripted browser loaded, redirects included.
    QStringList visited;

    QString browse(const SignInPage &page) override;
    bool askAuthorize() override;
    bool askCompleteAuthorization() override;
    bool openInBrowser(const QString &url) override;

    // Walks from `url` until `stopPrefixes` (compared without regard to
    // case) or a page with nothing to press; returns the last address and
    // leaves the last page's title in *title.
    QString walk(const QString &url, const QStringList &stopPrefixes, QString *title = nullptr);

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

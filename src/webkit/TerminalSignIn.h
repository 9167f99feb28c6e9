#pragma once

#include "webkit/SignIn.h"

#include <QTextStream>

// Sign-in on a terminal, for the command-line tool: every page the user must
// visit is printed alone on a line of `out`, and the user answers with one
// line on `in`. For a page sign-in that line is the address the browser
// ended on (for Google the title of that page, or its address); for a sign-in
// in the system browser any line means "done" and the end of input means
// Cancel. An address typed back counts only where the page's own rules say
// the sign-in succeeded. What the user is to do with each address goes to
// `notes`, when given, so that `out` keeps only what a script reads.
class TerminalSignIn : public SignIn
{
public:
    TerminalSignIn(QTextStream &out, QTextStream &in, QTextStream *notes = nullptr)
        : m_out(out), m_in(in), m_notes(notes)
    {
    }

    QString browse(const SignInPage &page) override;
    bool askAuthorize() override { return true; }
    bool askCompleteAuthorization() override;
    bool openInBrowser(const QString &url) override;

private:
    bool readLine(QString *line);
    void note(const char *text);

    QTextStream &m_out;
    QTextStream &m_in;
    QTextStream *m_notes;
};

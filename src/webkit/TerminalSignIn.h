#pragma once

#include "webkit/SignIn.h"

#include <QTextStream>

// Sign-in on a terminal, for the command-line tool: every page the user must
// visit is printed alone on a line of `out`, and the user answers with one
// line on `in`. For a page sign-in that line is the address the browser
// ended on (for Google the title of that page, or its address); for a sign-in
// in the system browser any line means "done" and the end of input means
// Cancel.
class TerminalSignIn : public SignIn
{
public:
    TerminalSignIn(QTextStream &out, QTextStream &in) : m_out(out), m_in(in) {}

    QString browse(const SignInPage &page) override;
    bool askAuthorize() override { return true; }
    bool askCompleteAuthorization() override;
    bool openInBrowser(const QString &url) override;

private:
    bool readLine(QString *line);

    QTextStream &m_out;
    QTextStream &m_in;
};

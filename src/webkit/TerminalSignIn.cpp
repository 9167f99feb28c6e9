#include "webkit/TerminalSignIn.h"

#include <QUrl>
#include <QUrlQuery>

bool TerminalSignIn::readLine(QString *line)
{
    m_out.flush();
    // atEnd() cannot tell an empty pipe from a closed one; a read can.
    if (!m_in.readLineInto(line))
        return false;
    *line = line->trimmed();
    return true;
}

QString TerminalSignIn::browse(const SignInPage &page)
{
    m_out << page.actionUrl << '\n';
    QString line;
    if (!readLine(&line))
        return {};
    // Google's sign-in ends on a page whose title carries the code; a user
    // who copied the address of that page instead means the same thing.
    if (page.module == SignInModule::Google && line.startsWith(u"http", Qt::CaseInsensitive)) {
        const QString code = QUrlQuery(QUrl(line)).queryItemValue(QStringLiteral("code"), QUrl::FullyDecoded);
        if (!code.isEmpty())
            return u"Success code=" + code;
    }
    return line;
}

bool TerminalSignIn::askCompleteAuthorization()
{
    QString line;
    return readLine(&line);
}

bool TerminalSignIn::openInBrowser(const QString &url)
{
    // The person at the terminal is the browser: the address is for them.
    m_out << url << '\n';
    m_out.flush();
    return true;
}

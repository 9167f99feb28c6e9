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

void TerminalSignIn::note(const char *text)
{
    if (m_notes) {
        *m_notes << text << '\n';
        m_notes->flush();
    }
}

QString TerminalSignIn::browse(const SignInPage &page)
{
    note(page.module == SignInModule::Google
             ? "Open this address in a web browser and sign in; then type the title of the page it ends on "
               "(or paste its address) and press Enter:"
             : "Open this address in a web browser and sign in; then paste the address the browser ends on "
               "and press Enter:");
    m_out << page.actionUrl << '\n';
    QString line;
    if (!readLine(&line))
        return {};
    if (!line.startsWith(u"http", Qt::CaseInsensitive))
        return page.module == SignInModule::Google ? line : QString();
    // Google's sign-in ends on a page whose title carries the code; a user
    // who copied the address of that page instead means the same thing.
    // Either way the address must be one the sign-in could have ended on.
    if (page.module == SignInModule::Google) {
        if (page.result(line, line).isEmpty())
            return {};
        const QString code = QUrlQuery(QUrl(line)).queryItemValue(QStringLiteral("code"), QUrl::FullyDecoded);
        return code.isEmpty() ? QString() : u"Success code=" + code;
    }
    return page.result(line, QString());
}

bool TerminalSignIn::askCompleteAuthorization()
{
    QString line;
    return readLine(&line);
}

bool TerminalSignIn::openInBrowser(const QString &url)
{
    // The person at the terminal is the browser: the address is for them.
    note("Open this address in a web browser, approve Flazz there, then press Enter (end of input cancels):");
    m_out << url << '\n';
    m_out.flush();
    return true;
}

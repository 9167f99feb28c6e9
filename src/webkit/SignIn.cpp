#include "webkit/SignIn.h"

#include <QUrl>

namespace {

bool beginsWith(const QString &address, const QString &prefix)
{
    return !prefix.isEmpty() && address.startsWith(prefix, Qt::CaseInsensitive);
}

// A service that names an http page may well end on its https twin.
bool beginsWithEither(const QString &address, const QString &prefix)
{
    return beginsWith(address, prefix) ||
           beginsWith(address, prefix.toLower().replace(QStringLiteral("http"), QStringLiteral("https")));
}

int portOf(const QUrl &url)
{
    return url.port(url.scheme() == u"https" ? 443 : 80);
}

} // namespace

bool onSiteOf(const QString &address, const QString &site)
{
    const QUrl a(address);
    const QUrl s(site);
    const QString scheme = a.scheme().toLower();
    const QString siteScheme = s.scheme().toLower();
    if (!a.isValid() || !s.isValid() || a.host().isEmpty())
        return false;
    if (scheme != siteScheme && !(siteScheme == u"http" && scheme == u"https"))
        return false;
    if (a.host().compare(s.host(), Qt::CaseInsensitive) != 0)
        return false;
    // From http up to https the default ports differ; a port written out
    // must match as written.
    if (a.port() == -1 && s.port() == -1)
        return true;
    return portOf(a) == portOf(s);
}

bool SignInPage::succeededAt(const QString &address) const
{
    return beginsWithEither(address, successUrl);
}

bool SignInPage::endsAt(const QString &address, const QStringList &otherEndings) const
{
    if (successUrl.isEmpty())
        return false;
    if (succeededAt(address) || beginsWithEither(address, failedUrl))
        return true;
    for (const QString &ending : otherEndings) {
        if (beginsWith(address, ending))
            return true;
    }
    return false;
}

QString SignInPage::result(const QString &address, const QString &title) const
{
    // Only the page the sign-in was sent back to may hand over a token or a
    // code: one read from wherever else the browser was lured would sign
    // the program in to somebody else's account.
    if (module == SignInModule::Google)
        return !successUrl.isEmpty() && onSiteOf(address, successUrl) ? title : QString();
    return succeededAt(address) ? address : QString();
}

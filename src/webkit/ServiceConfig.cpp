#include "webkit/ServiceConfig.h"

#include <QFileInfo>
#include <QSettings>
#include <QtDebug>

#include <functional>
#include <vector>

namespace {

struct Field
{
    const char *key;
    std::function<QString &(ServiceConfig &)> member;
};

// The one list that ties file keys to members; keys() and applyFile() both
// read it, so the documented keys cannot drift from what is honoured.
const std::vector<Field> &fields()
{
    using C = ServiceConfig;
    static const std::vector<Field> table = {
        {"Facebook/Web", [](C &c) -> QString & { return c.facebook.web; }},
        {"Facebook/LoginPages", [](C &c) -> QString & { return c.facebook.loginPages; }},
        {"Facebook/Graph", [](C &c) -> QString & { return c.facebook.graph; }},
        {"Facebook/RestApi", [](C &c) -> QString & { return c.facebook.restApi; }},
        {"Facebook/AppId", [](C &c) -> QString & { return c.facebook.appId; }},
        {"Flickr/Rest", [](C &c) -> QString & { return c.flickr.rest; }},
        {"Flickr/Auth", [](C &c) -> QString & { return c.flickr.auth; }},
        {"Flickr/Site", [](C &c) -> QString & { return c.flickr.site; }},
        {"Flickr/ApiKey", [](C &c) -> QString & { return c.flickr.apiKey; }},
        {"Flickr/SharedSecret", [](C &c) -> QString & { return c.flickr.sharedSecret; }},
        {"Flickr/Upload", [](C &c) -> QString & { return c.flickr.upload; }},
        {"Dropbox/Api", [](C &c) -> QString & { return c.dropbox.api; }},
        {"Dropbox/ApiContent", [](C &c) -> QString & { return c.dropbox.apiContent; }},
        {"Dropbox/Web", [](C &c) -> QString & { return c.dropbox.web; }},
        {"Dropbox/ConsumerKey", [](C &c) -> QString & { return c.dropbox.consumerKey; }},
        {"Dropbox/ConsumerSecret", [](C &c) -> QString & { return c.dropbox.consumerSecret; }},
        {"Google/Accounts", [](C &c) -> QString & { return c.google.accounts; }},
        {"Google/Drive", [](C &c) -> QString & { return c.google.drive; }},
        {"Google/UserInfo", [](C &c) -> QString & { return c.google.userInfo; }},
        {"Google/Site", [](C &c) -> QString & { return c.google.site; }},
        {"Google/ClientId", [](C &c) -> QString & { return c.google.clientId; }},
        {"Google/ClientSecret", [](C &c) -> QString & { return c.google.clientSecret; }},
        {"Live/Login", [](C &c) -> QString & { return c.live.login; }},
        {"Live/Apis", [](C &c) -> QString & { return c.live.apis; }},
        {"Live/Site", [](C &c) -> QString & { return c.live.site; }},
        {"Live/ClientId", [](C &c) -> QString & { return c.live.clientId; }},
        {"LifePics/Service", [](C &c) -> QString & { return c.lifePics.service; }},
        {"LifePics/Soap", [](C &c) -> QString & { return c.lifePics.soap; }},
        {"LifePics/Site", [](C &c) -> QString & { return c.lifePics.site; }},
        {"LifePics/ApiNamespace", [](C &c) -> QString & { return c.lifePics.apiNamespace; }},
        {"LifePics/ServiceName", [](C &c) -> QString & { return c.lifePics.serviceName; }},
        {"LifePics/PartnerId", [](C &c) -> QString & { return c.lifePics.partnerId; }},
        {"LifePics/PartnerPassword", [](C &c) -> QString & { return c.lifePics.partnerPassword; }},
        {"LifePics/PartnerSourceId", [](C &c) -> QString & { return c.lifePics.partnerSourceId; }},
        {"DesktopClients/Dropbox", [](C &c) -> QString & { return c.desktopClients.dropbox; }},
        {"DesktopClients/GoogleDrive", [](C &c) -> QString & { return c.desktopClients.googleDrive; }},
        {"DesktopClients/SkyDrive", [](C &c) -> QString & { return c.desktopClients.skyDrive; }},
        {"Product/Site", [](C &c) -> QString & { return c.product.site; }},
        {"Product/BrandSite", [](C &c) -> QString & { return c.product.brandSite; }},
        {"Product/HowItWorks", [](C &c) -> QString & { return c.product.howItWorks; }},
        {"Product/Ads", [](C &c) -> QString & { return c.product.ads; }},
        {"Rclone/Config", [](C &c) -> QString & { return c.rclone.config; }},
    };
    return table;
}

QString withoutTrailingSlash(QString value)
{
    // A base written as "http://127.0.0.1:8080/" would otherwise give "//me".
    while (value.endsWith(u'/') && !value.endsWith(u"://"))
        value.chop(1);
    return value;
}

} // namespace

// Plain http only where the services' own protocols fixed it (Facebook's
// sign-in result pages, Flickr's REST and authorization pages, the LifePics
// SOAP endpoint and web site); everything else goes over https.
ServiceConfig ServiceConfig::defaults()
{
    ServiceConfig c;
    c.facebook = {QStringLiteral("https://www.facebook.com"), QStringLiteral("http://www.facebook.com"),
                  QStringLiteral("https://graph.facebook.com"), QStringLiteral("https://api.facebook.com"),
                  QStringLiteral("100000000000000")};
    c.flickr = {QStringLiteral("http://api.flickr.com"), QStringLiteral("http://www.flickr.com"),
                QStringLiteral("https://www.flickr.com"), QStringLiteral("00000000000000000000000000000000"),
                QStringLiteral("0000000000000000")};
    c.flickr.upload = QStringLiteral("https://up.flickr.com");
    c.dropbox = {QStringLiteral("https://api.dropbox.com"), QStringLiteral("https://api-content.dropbox.com"),
                 QStringLiteral("https://www.dropbox.com"), QStringLiteral("000000000000000"),
                 QStringLiteral("000000000000000")};
    c.google = {QStringLiteral("https://accounts.google.com"),
                QStringLiteral("https://www.googleapis.com"),
                QStringLiteral("https://www.googleapis.com"),
                QStringLiteral("https://drive.google.com"),
                QStringLiteral("000000000000.apps.googleusercontent.com"),
                QStringLiteral("000000000000000000000000")};
    c.live = {QStringLiteral("https://login.live.com"), QStringLiteral("https://apis.live.net"),
              QStringLiteral("https://skydrive.live.com"), QStringLiteral("0000000000000000")};
    c.lifePics = {QStringLiteral("https://api.lifepics.com"),
                  QStringLiteral("http://api.lifepics.com"),
                  QStringLiteral("http://www.lifepics.com"),
                  QStringLiteral("https://api.lifepics.com/v3/"),
                  QStringLiteral("LifePics"),
                  QStringLiteral("000"),
                  QStringLiteral("partner#0"),
                  QStringLiteral("000")};
    c.desktopClients = {QStringLiteral("https://www.dropbox.com/downloading"),
                        QStringLiteral("https://tools.google.com/dlpage/drive"),
                        QStringLiteral("https://apps.live.com/skydrive")};
    c.product.site = QStringLiteral("https://www.flazz.korvantis.com");
    c.product.brandSite = QStringLiteral("https://www.korvantis.com");
    c.product.howItWorks = c.product.site + u"/howitworks.html";
    c.product.ads = c.product.site + u"/flazzads.html";
    return c;
}

QStringList ServiceConfig::keys()
{
    QStringList out;
    for (const Field &f : fields())
        out << QLatin1String(f.key);
    return out;
}

QString ServiceConfig::value(const QString &key) const
{
    ServiceConfig copy = *this;
    for (const Field &f : fields()) {
        if (key == QLatin1String(f.key))
            return f.member(copy);
    }
    return {};
}

bool ServiceConfig::setValue(const QString &key, const QString &value)
{
    for (const Field &f : fields()) {
        if (key == QLatin1String(f.key)) {
            f.member(*this) = value;
            return true;
        }
    }
    return false;
}

QString ServiceConfig::overridePath(const QStringList &arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == u"--services" && i + 1 < arguments.size())
            return arguments.at(i + 1);
        if (a.startsWith(u"--services="))
            return a.mid(11);
    }
    return qEnvironmentVariable("FLAZZ_SERVICES");
}

bool ServiceConfig::applyFile(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        if (error)
            *error = QStringLiteral("Service configuration \"%1\" cannot be read").arg(path);
        return false;
    }
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        if (error)
            *error = QStringLiteral("Service configuration \"%1\" is not a valid INI file").arg(path);
        return false;
    }

    const QStringList known = keys();
    // The product's two pages follow the product site unless named on their
    // own, so pointing the site at a stand-in moves them too.
    const bool siteGiven = ini.contains(QStringLiteral("Product/Site"));
    for (const Field &f : fields()) {
        const QString key = QLatin1String(f.key);
        if (!ini.contains(key))
            continue;
        // An unquoted value with commas reads as a list; it was meant whole.
        const QVariant value = ini.value(key);
        const QString text =
            value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',') : value.toString();
        f.member(*this) = withoutTrailingSlash(text);
    }
    if (siteGiven && !ini.contains(QStringLiteral("Product/HowItWorks")))
        product.howItWorks = product.site + u"/howitworks.html";
    if (siteGiven && !ini.contains(QStringLiteral("Product/Ads")))
        product.ads = product.site + u"/flazzads.html";
    // The namespace URI keeps its documented trailing "/".
    if (ini.contains(QStringLiteral("LifePics/ApiNamespace")) && !lifePics.apiNamespace.endsWith(u'/'))
        lifePics.apiNamespace += u'/';

    QStringList unknown;
    for (const QString &key : ini.allKeys()) {
        if (!known.contains(key))
            unknown << key;
    }
    if (error)
        *error = unknown.isEmpty()
                     ? QString()
                     : QStringLiteral("Unknown keys in \"%1\": %2").arg(path, unknown.join(u", "));
    return true;
}

ServiceConfig ServiceConfig::load(const QStringList &arguments, QString *unreadable)
{
    ServiceConfig c = defaults();
    const QString path = overridePath(arguments);
    if (path.isEmpty())
        return c;
    QString error;
    if (!c.applyFile(path, &error) && unreadable) {
        *unreadable = error;
        return defaults();
    }
    if (!error.isEmpty())
        qWarning().noquote() << error;
    return c;
}

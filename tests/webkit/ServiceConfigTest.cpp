#include "webkit/ServiceConfig.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

TEST(ServiceConfig, AFileOverridesOnlyTheKeysItNames)
{
    TestEnvironment env;
    const QString path = env.writeFile(
        QStringLiteral("s.ini"),
        "[Facebook]\nGraph=http://127.0.0.1:8080/\n[Product]\nSite=http://127.0.0.1:9\n"
        "[Dropbox]\nApiHost=typo\n[LifePics]\nPartnerPassword=\"ab#c;d,1\"\n[Live]\nClientId=a,b\n");
    ServiceConfig c = ServiceConfig::defaults();
    QString error;
    ASSERT_TRUE(c.applyFile(path, &error));
    EXPECT_EQ(c.facebook.graph, QStringLiteral("http://127.0.0.1:8080")); // trailing "/" dropped
    EXPECT_EQ(c.facebook.web, ServiceConfig::defaults().facebook.web);
    EXPECT_EQ(c.product.howItWorks, QStringLiteral("http://127.0.0.1:9/howitworks.html"));
    EXPECT_EQ(c.product.ads, QStringLiteral("http://127.0.0.1:9/flazzads.html"));
    EXPECT_TRUE(error.contains(QStringLiteral("Dropbox/ApiHost"))) << error.toStdString();
    EXPECT_EQ(c.lifePics.partnerPassword, QStringLiteral("ab#c;d,1"));
    EXPECT_EQ(c.live.clientId, QStringLiteral("a,b"));

    EXPECT_FALSE(c.applyFile(env.path(QStringLiteral("missing.ini")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(ServiceConfig, TheCommandLineOptionWinsOverTheEnvironment)
{
    TestEnvironment env;
    const QString fromEnv = env.writeFile(QStringLiteral("env.ini"), "[Live]\nApis=http://127.0.0.1:1\n");
    const QString fromArg = env.writeFile(QStringLiteral("arg.ini"), "[Live]\nApis=http://127.0.0.1:2\n");
    qputenv("FLAZZ_SERVICES", fromEnv.toLocal8Bit());
    EXPECT_EQ(ServiceConfig::load({QStringLiteral("flazz")}).live.apis, QStringLiteral("http://127.0.0.1:1"));
    EXPECT_EQ(ServiceConfig::load({QStringLiteral("flazz"), QStringLiteral("--services"), fromArg}).live.apis,
              QStringLiteral("http://127.0.0.1:2"));
    EXPECT_EQ(ServiceConfig::load({QStringLiteral("--services=") + fromArg}).live.apis,
              QStringLiteral("http://127.0.0.1:2"));
    qunsetenv("FLAZZ_SERVICES");
    EXPECT_EQ(ServiceConfig::load({}).live.apis, ServiceConfig::defaults().live.apis);

    // A file named but unreadable is reported to a caller that asks, which
    // then stops instead of going to the built-in addresses.
    QString unreadable;
    const ServiceConfig fallback = ServiceConfig::load(
        {QStringLiteral("flazz"), QStringLiteral("--services"), env.path(QStringLiteral("gone.ini"))},
        &unreadable);
    EXPECT_TRUE(unreadable.contains(QStringLiteral("gone.ini"))) << unreadable.toStdString();
    EXPECT_EQ(fallback.live.apis, ServiceConfig::defaults().live.apis);
    unreadable.clear();
    ServiceConfig::load({QStringLiteral("--services=") + fromArg}, &unreadable);
    EXPECT_TRUE(unreadable.isEmpty());
}

TEST(ServiceConfig, DefaultsUseHttpsWhereverTheServicesDidNotFixPlainHttp)
{
    const ServiceConfig c = ServiceConfig::defaults();
    const QString plain[] = {c.facebook.loginPages, c.flickr.rest, c.flickr.auth, c.lifePics.soap,
                             c.lifePics.site};
    const QString secure[] = {
        c.facebook.web,       c.facebook.graph,    c.facebook.restApi,   c.flickr.site,  c.dropbox.api,
        c.dropbox.apiContent, c.dropbox.web,       c.google.accounts,    c.google.drive, c.google.userInfo,
        c.google.site,        c.live.login,        c.live.apis,          c.live.site,    c.lifePics.service,
        c.product.site,       c.product.brandSite, c.product.howItWorks, c.product.ads};
    for (const QString &address : plain)
        EXPECT_TRUE(address.startsWith(QStringLiteral("http://"))) << address.toStdString();
    for (const QString &address : secure)
        EXPECT_TRUE(address.startsWith(QStringLiteral("https://"))) << address.toStdString();
}

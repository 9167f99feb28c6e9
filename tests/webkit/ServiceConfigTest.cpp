#include "webkit/ServiceConfig.h"
#include "support/TestEnvironment.h"
#include "support/TestText.h"

#include <gtest/gtest.h>

TEST(ServiceConfig, AFileOverridesOnlyTheKeysItNames)
{
    TestEnvironment env;
    const QString path = env.writeFile(
        s(u"s.ini"),
        "[Facebook]\nGraph=http://127.0.0.1:8080/\n[Product]\nSite=http://127.0.0.1:9\n"
        "[Dropbox]\nApiHost=typo\n[LifePics]\nPartnerPassword=\"ab#c;d,1\"\n[Live]\nClientId=a,b\n");
    ServiceConfig c = ServiceConfig::defaults();
    QString error;
    ASSERT_TRUE(c.applyFile(path, &error));
    EXPECT_EQ(c.facebook.graph, s(u"http://127.0.0.1:8080")); // trailing "/" dropped
    EXPECT_EQ(c.facebook.web, ServiceConfig::defaults().facebook.web);
    EXPECT_EQ(c.product.howItWorks, s(u"http://127.0.0.1:9/howitworks.html"));
    EXPECT_EQ(c.product.ads, s(u"http://127.0.0.1:9/flazzads.html"));
    EXPECT_TRUE(error.contains(s(u"Dropbox/ApiHost"))) << error.toStdString();
    EXPECT_EQ(c.lifePics.partnerPassword, s(u"ab#c;d,1"));
    EXPECT_EQ(c.live.clientId, s(u"a,b"));

    EXPECT_FALSE(c.applyFile(env.path(s(u"missing.ini")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(ServiceConfig, TheCommandLineOptionWinsOverTheEnvironment)
{
    TestEnvironment env;
    const QString fromEnv = env.writeFile(s(u"env.ini"), "[Live]\nApis=http://127.0.0.1:1\n");
    const QString fromArg = env.writeFile(s(u"arg.ini"), "[Live]\nApis=http://127.0.0.1:2\n");
    qputenv("FLAZZ_SERVICES", fromEnv.toLocal8Bit());
    EXPECT_EQ(ServiceConfig::load({s(u"flazz")}).live.apis, s(u"http://127.0.0.1:1"));
    EXPECT_EQ(ServiceConfig::load({s(u"flazz"), s(u"--services"), fromArg}).live.apis,
              s(u"http://127.0.0.1:2"));
    EXPECT_EQ(ServiceConfig::load({s(u"--services=") + fromArg}).live.apis, s(u"http://127.0.0.1:2"));
    qunsetenv("FLAZZ_SERVICES");
    EXPECT_EQ(ServiceConfig::load({}).live.apis, ServiceConfig::defaults().live.apis);

    // A file named but unreadable is reported to a caller that asks, which
    // then stops instead of going to the built-in addresses.
    QString unreadable;
    const ServiceConfig fallback =
        ServiceConfig::load({s(u"flazz"), s(u"--services"), env.path(s(u"gone.ini"))}, &unreadable);
    EXPECT_TRUE(unreadable.contains(s(u"gone.ini"))) << unreadable.toStdString();
    EXPECT_EQ(fallback.live.apis, ServiceConfig::defaults().live.apis);
    unreadable.clear();
    ServiceConfig::load({s(u"--services=") + fromArg}, &unreadable);
    EXPECT_TRUE(unreadable.isEmpty());
}

TEST(ServiceConfig, DefaultsUseHttpsWhereverTheServicesDidNotFixPlainHttp)
{
    const QStringList plain = {s(u"Facebook/LoginPages"), s(u"Flickr/Rest"), s(u"Flickr/Auth"),
                               s(u"LifePics/Soap"), s(u"LifePics/Site")};
    const ServiceConfig c = ServiceConfig::defaults();
    for (const QString &key : ServiceConfig::keys()) {
        const QString address = c.value(key);
        if (address.startsWith(s(u"http"))) {
            EXPECT_EQ(address.startsWith(s(u"https://")), !plain.contains(key)) << key.toStdString();
        }
    }
}

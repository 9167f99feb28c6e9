#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "sandbox/SandboxStore.h"
#include "sandbox/StandinServer.h"
#include "sandbox/services/FacebookService.h"
#include "sandbox/services/GoogleService.h"
#include "sandbox/services/LiveService.h"
#include "support/ScriptedSignIn.h"
#include "support/TestEnvironment.h"
#include "support/TestText.h"
#include "webkit/ServiceConfig.h"

#include <QProcess>

#include <functional>

#include <gtest/gtest.h>

namespace {

struct Finished
{
    int exitCode = -1;
    QStringList lines;
};

// The three page sign-ins, each on a sandbox of its own, and the override
// file that points the tool at them.
class SignInCli : public ::testing::Test
{
protected:
    SignInCli() : store(env.path(s(u"sandbox")))
    {
        facebook.install(facebookServer, store);
        google.install(googleServer, store);
        live.install(liveServer, store);
        ServiceConfig c;
        facebook.configure(c, facebookServer.baseUrl());
        google.configure(c, googleServer.baseUrl());
        live.configure(c, liveServer.baseUrl());
        const QString ini = u"[Facebook]\nWeb=" + c.facebook.web + u"\nLoginPages=" + c.facebook.loginPages +
                            u"\nGraph=" + c.facebook.graph + u"\nRestApi=" + c.facebook.restApi +
                            u"\nAppId=" + c.facebook.appId + u"\n[Google]\nAccounts=" + c.google.accounts +
                            u"\nDrive=" + c.google.drive + u"\nUserInfo=" + c.google.userInfo +
                            u"\nClientId=" + c.google.clientId + u"\nClientSecret=" + c.google.clientSecret +
                            u"\n[Live]\nLogin=" + c.live.login + u"\nApis=" + c.live.apis + u"\nClientId=" +
                            c.live.clientId + u'\n';
        services = env.writeFile(s(u"services.ini"), ini.toUtf8());
    }

    // Runs "signin SERVICE": the browser (a scripted one) walks the printed
    // address and the user types in where it ended.
    Finished run(const QString &service, SignInModule module, const QString &success, const QString &failed,
                 const QString &decision, const std::function<QString(QString)> &typed = {})
    {
        QProcess cli;
        cli.start(QStringLiteral(FLAZZ_CLI), {s(u"signin"), service, s(u"--services"), services});
        EXPECT_TRUE(cli.waitForReadyRead(30000));
        const QString address = QString::fromUtf8(cli.readLine()).trimmed();
        ScriptedSignIn browser;
        browser.decisions = {decision};
        SignInPage page;
        page.module = module;
        page.actionUrl = address;
        page.successUrl = success;
        page.failedUrl = failed;
        const QString ended = browser.browse(page);
        cli.write((typed ? typed(ended) : ended).toUtf8() + '\n');
        cli.closeWriteChannel();
        EXPECT_TRUE(cli.waitForFinished(30000));
        Finished done;
        done.exitCode = cli.exitCode();
        done.lines = QString::fromUtf8(address.toUtf8() + '\n' + cli.readAllStandardOutput())
                         .split(u'\n', Qt::SkipEmptyParts);
        return done;
    }

    QString stored(const char *key)
    {
        return SettingsStore(env.state().SettingsFile).readOr(QString::fromLatin1(key));
    }

    TestEnvironment env;
    SandboxStore store;
    StandinServer facebookServer, googleServer, liveServer;
    FacebookService facebook;
    GoogleService google;
    LiveService live;
    QString services;
};

TEST_F(SignInCli, EachPageSignInEndsSignedInWithTheTokenStored)
{
    const QString fbFailed = facebookServer.baseUrl() + u"/login_failure.html";

    Finished fb = run(s(u"facebook"), SignInModule::Facebook,
                      facebookServer.baseUrl() + u"/connect/login_success.html", fbFailed, s(u"approve"));
    EXPECT_EQ(fb.exitCode, 0);
    EXPECT_TRUE(fb.lines.first().startsWith(facebookServer.baseUrl() + u"/dialog/oauth?client_id="));
    EXPECT_EQ(fb.lines.last(), u"signed in\tfacebook\t" + s(FacebookService::AccountId) + u'\t' +
                                   s(FacebookService::AccountName));
    EXPECT_FALSE(stored(SettingsKey::FacebookAccessToken).isEmpty());

    Finished g = run(s(u"google"), SignInModule::Google, googleServer.baseUrl() + u"/o/oauth2/approval?",
                     fbFailed, s(u"approve"));
    EXPECT_EQ(g.exitCode, 0);
    EXPECT_EQ(g.lines.last(),
              u"signed in\tgoogle\t" + s(GoogleService::AccountId) + u'\t' + s(GoogleService::AccountName));
    EXPECT_FALSE(stored(SettingsKey::GoogleRefreshToken).isEmpty());

    Finished sky = run(s(u"skydrive"), SignInModule::SkyDrive, liveServer.baseUrl() + u"/oauth20_desktop.srf",
                       fbFailed, s(u"approve"));
    EXPECT_EQ(sky.exitCode, 0);
    EXPECT_EQ(sky.lines.last(), u"signed in\tskydrive\t" + s(LiveService::AccountId) + u'\t');
    EXPECT_FALSE(stored(SettingsKey::SkydriveAccessToken).isEmpty());
}

TEST_F(SignInCli, AGenuineTokenTypedBackFromAnotherSiteSignsNobodyIn)
{
    // A page that lured the browser to another site, with a token the
    // service really issued.
    const QString success = facebookServer.baseUrl() + u"/connect/login_success.html";
    Finished lured =
        run(s(u"facebook"), SignInModule::Facebook, success,
            facebookServer.baseUrl() + u"/login_failure.html", s(u"approve"), [&](QString ended) {
                EXPECT_TRUE(ended.contains(u"#access_token="));
                return ended.replace(facebookServer.baseUrl(), googleServer.baseUrl());
            });
    EXPECT_EQ(lured.exitCode, 1);
    EXPECT_TRUE(stored(SettingsKey::FacebookAccessToken).isEmpty());
}

TEST_F(SignInCli, ARefusalEndsWith1AndAStrangerWith2)
{
    Finished refused =
        run(s(u"facebook"), SignInModule::Facebook, facebookServer.baseUrl() + u"/connect/login_success.html",
            facebookServer.baseUrl() + u"/login_failure.html", s(u"refuse"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.lines.size(), 1); // only the address
    EXPECT_TRUE(stored(SettingsKey::FacebookAccessToken).isEmpty());

    QProcess cli;
    cli.start(QStringLiteral(FLAZZ_CLI), {s(u"signin"), s(u"myspace")});
    ASSERT_TRUE(cli.waitForFinished(30000));
    EXPECT_EQ(cli.exitCode(), 2);

    // So is a services file that cannot be read, for every service.
    for (const char16_t *service : {u"facebook", u"dropbox"}) {
        cli.start(QStringLiteral(FLAZZ_CLI),
                  {s(u"signin"), QString::fromUtf16(service), s(u"--services"), env.path(s(u"missing.ini"))});
        ASSERT_TRUE(cli.waitForFinished(30000));
        EXPECT_EQ(cli.exitCode(), 2);
        EXPECT_TRUE(cli.readAllStandardOutput().isEmpty()); // no address to open
    }
}

} // namespace

// flazz-cli signin as a user at a terminal runs it: the address printed,
// walked in a (scripted) browser, then where it ended typed back.

#include "FlazzCli.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "sandbox/Sandbox.h"
#include "sandbox/SandboxServices.h"
#include "sandbox/services/DropboxService.h"
#include "sandbox/services/FacebookService.h"
#include "sandbox/services/FlickrService.h"
#include "sandbox/services/GoogleService.h"
#include "sandbox/services/LiveService.h"
#include "support/ScriptedSignIn.h"
#include "support/TestEnvironment.h"
#include "support/TestText.h"

#include <gtest/gtest.h>

namespace {

class CliSignIn : public ::testing::Test
{
protected:
    TestEnvironment env;
    Sandbox sandbox{env.path(s(u"sandbox")), sandboxServices()};
    const QString servicesFile = writeServicesFile(env.path(s(u"services.ini")), sandbox.config());

    // Runs "signin ARGS": the browser does `decision` on the printed
    // address's pages, and the user types back where it ended, or what
    // `typed` makes of it.
    CliRun signIn(
        const QStringList &args, const QString &decision = s(u"approve"),
        const std::function<QString(QString)> &typed = [](QString ended) { return ended; })
    {
        return flazzCli(QStringList{s(u"signin"), s(u"--services"), servicesFile} + args, {},
                        [&](const QString &address) {
                            ScriptedSignIn browser;
                            browser.decisions = {decision};
                            return address.startsWith(u"http") ? typed(browser.walk(address)) : QString();
                        });
    }
    QString stored(const char *key)
    {
        return SettingsStore(env.state().SettingsFile).readOr(QLatin1String(key));
    }
};

} // namespace

TEST_F(CliSignIn, EachServiceApprovedInTheBrowserIsSignedInWithItsTokenStored)
{
    const struct
    {
        const char16_t *name;
        const char *tokenKey;
        QString who;
    } services[] = {
        {u"dropbox", SettingsKey::DropBoxToken, QLatin1String(DropboxService::AccountId) + u"\tSandbox User"},
        {u"flickr", SettingsKey::FlickrAccessToken,
         QLatin1String(FlickrService::AccountId) + u'\t' + QLatin1String(FlickrService::UserName)},
        {u"facebook", SettingsKey::FacebookAccessToken,
         s(FacebookService::AccountId) + u'\t' + s(FacebookService::AccountName)},
        {u"google", SettingsKey::GoogleRefreshToken,
         s(GoogleService::AccountId) + u'\t' + s(GoogleService::AccountName)},
        {u"skydrive", SettingsKey::SkyDriveAccessToken, s(LiveService::AccountId) + u'\t'},
    };
    for (const auto &service : services) {
        SCOPED_TRACE(s(service.name).toStdString());
        const CliRun run = signIn({s(service.name)});
        EXPECT_EQ(run.exitCode, 0) << qPrintable(run.errors);
        ASSERT_EQ(run.lines.size(), 2);
        EXPECT_TRUE(run.lines.at(0).startsWith(u"http://127.0.0.1:")); // the address alone
        EXPECT_EQ(run.lines.at(1), u"signed in\t" + s(service.name) + u'\t' + service.who);
        EXPECT_FALSE(stored(service.tokenKey).isEmpty());
    }
}

TEST_F(CliSignIn, RefusalCancelOrATokenFromAnotherSiteSaysWhyAndExitsOne)
{
    const CliRun refused = signIn({s(u"dropbox")}, s(u"refuse"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.errors.contains(u"The user denied access to Flazz.")) << qPrintable(refused.errors);
    EXPECT_EQ(signIn({s(u"dropbox")}, s(u"approve"), [](QString) { return QString(); }).exitCode, 1);
    EXPECT_TRUE(stored(SettingsKey::DropBoxUid).isEmpty());

    const CliRun flickr = signIn({s(u"flickr")}, s(u"refuse"));
    EXPECT_EQ(flickr.exitCode, 1);
    EXPECT_TRUE(flickr.errors.contains(u"Authorization failed.")) << qPrintable(flickr.errors);

    EXPECT_EQ(signIn({s(u"facebook")}, s(u"refuse")).lines.size(), 1); // only the address
    // A page that lured the browser to another site, with a token the service
    // really issued, signs nobody in.
    const CliRun lured = signIn({s(u"facebook")}, s(u"approve"), [&](QString ended) {
        EXPECT_TRUE(ended.contains(u"#access_token="));
        return ended.replace(sandbox.server(s(u"Facebook"))->baseUrl(),
                             sandbox.server(s(u"Dropbox"))->baseUrl());
    });
    EXPECT_EQ(lured.exitCode, 1);
    EXPECT_TRUE(stored(SettingsKey::FacebookAccessToken).isEmpty());
}

TEST_F(CliSignIn, UsageErrorsAndAnUnreadableServicesFileExitTwo)
{
    EXPECT_EQ(signIn({}).exitCode, 2);
    EXPECT_EQ(signIn({s(u"myspace")}).exitCode, 2);
    EXPECT_EQ(signIn({s(u"dropbox"), s(u"flickr")}).exitCode, 2);
    EXPECT_EQ(sandbox.server(s(u"Dropbox"))->requestCount(), 0);
    for (const char16_t *service : {u"facebook", u"dropbox"}) {
        const CliRun run =
            flazzCli({s(u"signin"), s(service), s(u"--services"), env.path(s(u"missing.ini"))});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.lines.isEmpty()); // no address to open
    }
}

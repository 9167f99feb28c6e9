// flazz-cli signin as a user at a terminal runs it: the address printed,
// walked in a (scripted) browser, then where it ended typed back.

#include "FlazzCli.h"
#include "core/SettingsKeys.h"
#include "sandbox/services/DropboxService.h"
#include "sandbox/services/FacebookService.h"
#include "sandbox/services/FlickrService.h"
#include "sandbox/services/GoogleService.h"
#include "sandbox/services/LiveService.h"
#include "support/SandboxWorld.h"
#include "support/TestText.h"

#include <gtest/gtest.h>

namespace {

// Runs "signin SERVICE": the browser does `decision` on the printed address's
// pages, and the user types back where it ended, or what `typed` makes of it.
template<class Service>
CliRun signInOnTerminal(
    SandboxWorld<Service> &w, const QStringList &args, const QString &decision = s(u"approve"),
    const std::function<QString(QString)> &typed = [](QString ended) { return ended; })
{
    const QString services = writeServicesFile(w.env.path(s(u"services.ini")), w.config);
    return flazzCli(QStringList{s(u"signin"), s(u"--services"), services} + args, {},
                    [&](const QString &address) {
                        w.signIn.decisions = {decision};
                        return address.startsWith(u"http") ? typed(w.signIn.walk(address)) : QString();
                    });
}

template<class Service> void expectSignsIn(const QString &name, const char *tokenKey, const QString &who)
{
    SCOPED_TRACE(name.toStdString());
    SandboxWorld<Service> w;
    const CliRun run = signInOnTerminal(w, {name});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.errors);
    ASSERT_EQ(run.lines.size(), 2);
    EXPECT_TRUE(run.lines.at(0).startsWith(u"http://127.0.0.1:")); // the address alone
    EXPECT_EQ(run.lines.at(1), u"signed in\t" + name + u'\t' + who);
    EXPECT_FALSE(w.stored(tokenKey).isEmpty());
}

} // namespace

TEST(CliSignIn, EachServiceApprovedInTheBrowserIsSignedInWithItsTokenStored)
{
    expectSignsIn<DropboxService>(s(u"dropbox"), SettingsKey::DropBoxToken,
                                  QLatin1String(DropboxService::AccountId) + u"\tSandbox User");
    expectSignsIn<FlickrService>(s(u"flickr"), SettingsKey::FlickrAccessToken,
                                 QLatin1String(FlickrService::AccountId) + u'\t' +
                                     QLatin1String(FlickrService::UserName));
    expectSignsIn<FacebookService>(s(u"facebook"), SettingsKey::FacebookAccessToken,
                                   s(FacebookService::AccountId) + u'\t' + s(FacebookService::AccountName));
    expectSignsIn<GoogleService>(s(u"google"), SettingsKey::GoogleRefreshToken,
                                 s(GoogleService::AccountId) + u'\t' + s(GoogleService::AccountName));
    expectSignsIn<LiveService>(s(u"skydrive"), SettingsKey::SkyDriveAccessToken,
                               s(LiveService::AccountId) + u'\t');
}

TEST(CliSignIn, RefusalCancelOrATokenFromAnotherSiteSaysWhyAndExitsOne)
{
    SandboxWorld<DropboxService> w;
    const CliRun refused = signInOnTerminal(w, {s(u"dropbox")}, s(u"refuse"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.errors.contains(u"The user denied access to Flazz.")) << qPrintable(refused.errors);
    const CliRun cancelled =
        signInOnTerminal(w, {s(u"dropbox")}, s(u"approve"), [](QString) { return QString(); });
    EXPECT_EQ(cancelled.exitCode, 1);
    EXPECT_TRUE(w.stored(SettingsKey::DropBoxUid).isEmpty());

    SandboxWorld<FlickrService> flickr;
    const CliRun notFlickr = signInOnTerminal(flickr, {s(u"flickr")}, s(u"refuse"));
    EXPECT_EQ(notFlickr.exitCode, 1);
    EXPECT_TRUE(notFlickr.errors.contains(u"Authorization failed.")) << qPrintable(notFlickr.errors);

    SandboxWorld<FacebookService> fb;
    EXPECT_EQ(signInOnTerminal(fb, {s(u"facebook")}, s(u"refuse")).lines.size(), 1); // only the address
    // A page that lured the browser to another site, with a token the service
    // really issued, signs nobody in.
    const CliRun lured = signInOnTerminal(fb, {s(u"facebook")}, s(u"approve"), [&](QString ended) {
        EXPECT_TRUE(ended.contains(u"#access_token="));
        return ended.replace(fb.server.baseUrl(), w.server.baseUrl());
    });
    EXPECT_EQ(lured.exitCode, 1);
    EXPECT_TRUE(fb.stored(SettingsKey::FacebookAccessToken).isEmpty());
}

TEST(CliSignIn, UsageErrorsAndAnUnreadableServicesFileExitTwo)
{
    SandboxWorld<DropboxService> w;
    EXPECT_EQ(signInOnTerminal(w, {}).exitCode, 2);
    EXPECT_EQ(signInOnTerminal(w, {s(u"myspace")}).exitCode, 2);
    EXPECT_EQ(signInOnTerminal(w, {s(u"dropbox"), s(u"flickr")}).exitCode, 2);
    EXPECT_EQ(w.server.requestCount(), 0);
    for (const char16_t *service : {u"facebook", u"dropbox"}) {
        const CliRun run =
            flazzCli({s(u"signin"), s(service), s(u"--services"), w.env.path(s(u"missing.ini"))});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.lines.isEmpty()); // no address to open
    }
}

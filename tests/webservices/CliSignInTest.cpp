// flazz-cli signin as a user at a terminal runs it: the address printed,
// approved in a (scripted) browser, then Enter.

#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "sandbox/services/DropboxService.h"
#include "sandbox/services/FlickrService.h"
#include "support/SandboxWorld.h"

#include <QDeadlineTimer>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

// What the user does with the printed address: true presses Enter after
// `decision` in the browser, false closes the input instead.
struct User
{
    QString decision = QStringLiteral("approve");
    bool pressEnter = true;
};

template<class Service>
CliRun signInOnTerminal(SandboxWorld<Service> &w, const QStringList &args, const User &user = {})
{
    const ServiceConfig &c = w.config;
    const QString services = w.writeServicesFile({
        u"[Dropbox]"_qs,
        u"Api=" + c.dropbox.api,
        u"Web=" + c.dropbox.web,
        u"ConsumerKey=" + c.dropbox.consumerKey,
        u"ConsumerSecret=" + c.dropbox.consumerSecret,
        u"[Flickr]"_qs,
        u"Rest=" + c.flickr.rest,
        u"Auth=" + c.flickr.auth,
        u"ApiKey=" + c.flickr.apiKey,
        u"SharedSecret=" + c.flickr.sharedSecret,
    });
    QProcess process;
    process.start(QStringLiteral(FLAZZ_CLI),
                  QStringList{QStringLiteral("signin"), QStringLiteral("--services"), services} + args);
    EXPECT_TRUE(process.waitForStarted());
    QByteArray out;
    QDeadlineTimer deadline(30000);
    bool answered = false;
    while (!answered && process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        process.waitForReadyRead(100);
        out += process.readAllStandardOutput();
        for (const QByteArray &line : out.split('\n')) {
            if (!line.startsWith("http"))
                continue;
            w.signIn.decisions = {user.decision};
            w.signIn.walk(QString::fromUtf8(line.trimmed()), {});
            if (user.pressEnter)
                process.write("\n");
            process.closeWriteChannel();
            answered = true;
            break;
        }
    }
    if (!answered)
        process.closeWriteChannel();
    process.waitForFinished(30000);
    EXPECT_EQ(process.state(), QProcess::NotRunning);
    out += process.readAllStandardOutput();
    CliRun run;
    run.exitCode = process.exitCode();
    run.lines = QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString stored(TestEnvironment &env, const char *key)
{
    return SettingsStore(env.state().SettingsFile).readOr(QLatin1String(key));
}

} // namespace

TEST(CliSignIn, DropboxApprovedInTheBrowserStoresTheToken)
{
    SandboxWorld<DropboxService> w;
    const CliRun run = signInOnTerminal(w, {QStringLiteral("dropbox")});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.errors);
    ASSERT_EQ(run.lines.size(), 2);
    EXPECT_TRUE(run.lines.at(0).startsWith(w.config.dropbox.web + u"/1/oauth/authorize?oauth_token="));
    EXPECT_EQ(run.lines.at(1),
              u"signed in\tdropbox\t" + QLatin1String(DropboxService::AccountId) + u"\tSandbox User");
    EXPECT_TRUE(run.errors.contains(u"approve")) << qPrintable(run.errors); // what to do with the address
    EXPECT_EQ(stored(w.env, SettingsKey::DropBoxUid), QLatin1String(DropboxService::AccountId));
    EXPECT_EQ(stored(w.env, SettingsKey::DropBoxToken).size(), 16);
}

TEST(CliSignIn, FlickrApprovedInTheBrowserStoresTheToken)
{
    SandboxWorld<FlickrService> w;
    const CliRun run = signInOnTerminal(w, {QStringLiteral("flickr")});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.errors);
    ASSERT_EQ(run.lines.size(), 2);
    EXPECT_TRUE(run.lines.at(0).startsWith(w.config.flickr.auth + u"/services/auth/?api_key="));
    EXPECT_EQ(run.lines.at(1), u"signed in\tflickr\t" + QLatin1String(FlickrService::AccountId) + u'\t' +
                                   QLatin1String(FlickrService::UserName));
    EXPECT_FALSE(stored(w.env, SettingsKey::FlickrAccessToken).isEmpty());
}

TEST(CliSignIn, RefusalOrCancelSaysWhyAndExitsOne)
{
    SandboxWorld<DropboxService> w;
    const CliRun refused = signInOnTerminal(w, {QStringLiteral("dropbox")}, {QStringLiteral("refuse"), true});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.errors.contains(u"The user denied access to Flazz.")) << qPrintable(refused.errors);

    const CliRun cancelled =
        signInOnTerminal(w, {QStringLiteral("dropbox")}, {QStringLiteral("approve"), false});
    EXPECT_EQ(cancelled.exitCode, 1);
    EXPECT_TRUE(stored(w.env, SettingsKey::DropBoxUid).isEmpty());

    SandboxWorld<FlickrService> f;
    const CliRun flickr = signInOnTerminal(f, {QStringLiteral("flickr")}, {QStringLiteral("refuse"), true});
    EXPECT_EQ(flickr.exitCode, 1);
    EXPECT_TRUE(flickr.errors.contains(u"Authorization failed.")) << qPrintable(flickr.errors);
}

TEST(CliSignIn, UsageErrorsExitTwo)
{
    SandboxWorld<DropboxService> w;
    EXPECT_EQ(signInOnTerminal(w, {}).exitCode, 2);
    EXPECT_EQ(signInOnTerminal(w, {QStringLiteral("myspace")}).exitCode, 2);
    EXPECT_EQ(signInOnTerminal(w, {QStringLiteral("dropbox"), QStringLiteral("flickr")}).exitCode, 2);
    EXPECT_EQ(w.server.requestCount(), 0);
}

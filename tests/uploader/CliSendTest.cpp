// flazz-cli send and queue as a script runs them: the stored sign-in, the
// background uploader started on demand, a line per photo.

#include "cloudfolders/clsDropbox.h"
#include "cloudfolders/clsGoogle.h"
#include "core/SettingsKeys.h"
#include "imaging/TestImages.h"
#include "platform/CompanionWindow.h"
#include "sandbox/services/DropboxContentService.h"
#include "sandbox/services/DropboxService.h"
#include "sandbox/services/GoogleService.h"
#include "sandbox/services/GoogleUploadService.h"
#include "support/SandboxWorld.h"
#include "support/TestText.h"

#include <QDate>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

CliRun runCli(const QStringList &args)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FLAZZ_UPLOADER"), QStringLiteral(FLAZZ_UPLOADER));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(FLAZZ_CLI), args);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(90000));
    CliRun run;
    run.exitCode = process.exitCode();
    run.lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString photo(TestEnvironment &env, const QString &relative, int seed)
{
    return env.writeFile(relative, testimages::encoded("png", QSize(40, 30), quint32(seed)));
}

struct DropboxSandbox : SandboxWorld<DropboxService>
{
    DropboxContentService content;
    QString services;

    DropboxSandbox()
    {
        content.install(server, store);
        content.configure(config, server.baseUrl());
        const ServiceConfig &c = config;
        services = writeServicesFile({QStringLiteral("[Dropbox]"), u"Api=" + c.dropbox.api,
                                      u"ApiContent=" + c.dropbox.apiContent, u"Web=" + c.dropbox.web,
                                      u"ConsumerKey=" + c.dropbox.consumerKey,
                                      u"ConsumerSecret=" + c.dropbox.consumerSecret});
    }

    bool signInToDropbox() { return clsDropbox(state(), config, signIn, prompt).CreateAccount(); }

    CliRun send(const QStringList &args) const
    {
        return runCli(QStringList{QStringLiteral("send"), QStringLiteral("dropbox"),
                                  QStringLiteral("--services"), services} +
                      args);
    }
};

TEST(CliSend, DropboxPhotosGoThroughTheUploaderIntoTheNamedFolderEachOnce)
{
    DropboxSandbox w;
    ASSERT_TRUE(w.signInToDropbox());
    const QString a = photo(w.env, QStringLiteral("in/a.png"), 1);
    const QString b = photo(w.env, QStringLiteral("in/b.png"), 2);
    const QString notAPhoto = w.env.writeFile(QStringLiteral("in/notes.txt"), "hello");
    // The first upload is turned away for a while: the retry is told as it
    // is decided, with its reason and when the next attempt comes.
    w.server.setFaults("/1/files_put/", StandinFaults::unavailable(1, 1));

    const CliRun run = w.send({QStringLiteral("--folder"), QStringLiteral("Trip"), a, b, notAPhoto});
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.errors); // the text file was refused
    ASSERT_EQ(run.lines.size(), 3) << qPrintable(run.lines.join(u'\n'));
    EXPECT_TRUE(run.lines.at(0).startsWith(u"refused\t")) << qPrintable(run.lines.at(0));
    EXPECT_TRUE(run.lines.at(0).endsWith(notAPhoto));
    // Each photo is told as it arrives, whichever arrives first.
    QStringList sent = run.lines.mid(1);
    sent.sort();
    EXPECT_TRUE(sent.at(0).startsWith(u"sent\t") && sent.at(0).endsWith(u'\t' + a)) << qPrintable(sent.at(0));
    EXPECT_TRUE(sent.at(1).startsWith(u"sent\t") && sent.at(1).endsWith(u'\t' + b)) << qPrintable(sent.at(1));
    EXPECT_TRUE(run.errors.contains(u"; trying again at ")) << qPrintable(run.errors);
    const QStringList kept = w.store.files(QStringLiteral("DropboxContent"));
    ASSERT_EQ(kept.size(), 2) << qPrintable(kept.join(u' '));
    for (const QString &file : kept)
        EXPECT_TRUE(file.contains(u"Trip/")) << qPrintable(file);

    // The job stays listed with where each photo went.
    const CliRun queue = runCli({QStringLiteral("queue")});
    EXPECT_EQ(queue.exitCode, 0);
    ASSERT_GE(queue.lines.size(), 3);
    EXPECT_TRUE(queue.lines.at(0).startsWith(u"job\t"));
    EXPECT_TRUE(queue.lines.at(0).contains(u"\tDropbox\tTrip\tended\t")) << qPrintable(queue.lines.at(0));
    EXPECT_TRUE(queue.lines.at(1).startsWith(u"photo\t"));
}

// A sign-in made in the window may have left only its refresh token stored;
// send renews the access token first, as every Google connector does.
TEST(CliSend, GoogleGoesOnTheRefreshTokenAlone)
{
    SandboxWorld<GoogleService> w;
    GoogleUploadService upload;
    upload.install(w.server, w.store);
    const ServiceConfig &c = w.config;
    const QString services =
        w.writeServicesFile({QStringLiteral("[Google]"), u"Accounts=" + c.google.accounts,
                             u"Drive=" + c.google.drive, u"UserInfo=" + c.google.userInfo,
                             u"ClientId=" + c.google.clientId, u"ClientSecret=" + c.google.clientSecret});
    clsGoogle google(w.state(), w.config, w.signIn, w.prompt);
    ASSERT_TRUE(google.CreateAccount());
    SettingsStore(w.state().SettingsFile).write(QLatin1String(SettingsKey::GoogleAccessToken), {});
    w.store.expireTokens(QStringLiteral("Google"));
    const QString a = photo(w.env, QStringLiteral("in/a.png"), 1);

    const CliRun run =
        runCli({QStringLiteral("send"), QStringLiteral("google"), QStringLiteral("--services"), services, a});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.errors);
    ASSERT_EQ(run.lines.size(), 1) << qPrintable(run.errors);
    EXPECT_TRUE(run.lines.at(0).startsWith(u"sent\t")) << qPrintable(run.lines.at(0));
    EXPECT_FALSE(w.stored(SettingsKey::GoogleAccessToken).isEmpty());
}

TEST(CliSend, WithoutAStoredSignInOrWithABadCommandNothingIsSent)
{
    TestEnvironment env;
    const QString a = photo(env, QStringLiteral("in/a.png"), 1);
    const CliRun unsigned_ = runCli({QStringLiteral("send"), QStringLiteral("flickr"), a});
    EXPECT_EQ(unsigned_.exitCode, 2);
    EXPECT_TRUE(unsigned_.errors.contains(u"flazz-cli signin flickr")) << qPrintable(unsigned_.errors);
    EXPECT_TRUE(unsigned_.lines.isEmpty());

    for (const QStringList &bad : {QStringList{QStringLiteral("send"), QStringLiteral("nowhere"), a},
                                   QStringList{QStringLiteral("send"), QStringLiteral("dropbox")},
                                   QStringList{QStringLiteral("send"), QStringLiteral("dropbox"),
                                               QStringLiteral("--size"), QStringLiteral("640"), a}})
        EXPECT_EQ(runCli(bad).exitCode, 2) << qPrintable(bad.join(u' '));
}

// The same content sent again to the same account and folder is skipped and
// said so; to another folder, or with --again, it goes. The history lists
// every arrival, the newest first, and is forgotten in one command.
TEST(CliSend, PhotosSentBeforeToTheSameFolderAreSkippedUnlessAskedAgain)
{
    DropboxSandbox w;
    ASSERT_TRUE(w.signInToDropbox());
    const QString a = photo(w.env, QStringLiteral("in/a.png"), 1);
    const QString b = photo(w.env, QStringLiteral("in/b.png"), 2);
    // The same content under another name counts as sent.
    const QString aCopy = w.env.writeFile(QStringLiteral("in/copy of a.png"), readBytes(a));
    const auto send = [&](const QString &folder, const QStringList &more) {
        return w.send(QStringList{QStringLiteral("--folder"), folder} + more);
    };
    ASSERT_EQ(send(QStringLiteral("Trip"), {a}).exitCode, 0);

    const CliRun second = send(QStringLiteral("Trip"), {aCopy, b});
    EXPECT_EQ(second.exitCode, 0) << qPrintable(second.errors);
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    EXPECT_EQ(second.lines.value(0), u"skipped\talready sent " + today + u'\t' + aCopy);
    EXPECT_TRUE(second.lines.value(1).startsWith(u"sent\t")) << qPrintable(second.lines.join(u'\n'));
    EXPECT_EQ(second.lines.size(), 2);

    EXPECT_TRUE(send(QStringLiteral("Other"), {a}).lines.value(0).startsWith(u"sent\t"));
    EXPECT_TRUE(
        send(QStringLiteral("Trip"), {QStringLiteral("--again"), a}).lines.value(0).startsWith(u"sent\t"));

    const CliRun history = runCli({QStringLiteral("history"), QStringLiteral("--service"),
                                   QStringLiteral("dropbox"), QStringLiteral("--since"), today});
    EXPECT_EQ(history.exitCode, 0);
    ASSERT_EQ(history.lines.size(), 4) << qPrintable(history.lines.join(u'\n'));
    const QStringList newest = history.lines.at(0).split(u'\t');
    ASSERT_EQ(newest.size(), 6);
    EXPECT_EQ(newest.at(1), u"Dropbox");
    EXPECT_NE(newest.at(2), u"-"); // the account the sign-in recorded
    EXPECT_EQ(newest.at(3), u"Trip");
    EXPECT_EQ(newest.at(5), a);
    EXPECT_TRUE(history.lines.at(1).contains(u"\tOther\t"));
    EXPECT_TRUE(runCli({QStringLiteral("history"), QStringLiteral("--service"), QStringLiteral("flickr")})
                    .lines.isEmpty());
    EXPECT_EQ(
        runCli({QStringLiteral("history"), QStringLiteral("--since"), QStringLiteral("yesterday")}).exitCode,
        2);

    EXPECT_EQ(runCli({QStringLiteral("history"), QStringLiteral("--clear")}).exitCode, 0);
    EXPECT_TRUE(runCli({QStringLiteral("history")}).lines.isEmpty());
    EXPECT_TRUE(send(QStringLiteral("Trip"), {a}).lines.value(0).startsWith(u"sent\t"));
}

// A script that takes the job's id from --no-wait goes on at once: the
// uploader the command started holds none of its output.
TEST(CliSend, NoWaitHandsBackTheJobWhileTheUploaderSends)
{
    DropboxSandbox w;
    ASSERT_TRUE(w.signInToDropbox());
    w.server.setFaults("/1/files_put/", StandinFaults::late(std::chrono::seconds(20)));
    const QString a = photo(w.env, QStringLiteral("in/a.png"), 1);

    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FLAZZ_UPLOADER"), QStringLiteral(FLAZZ_UPLOADER));
    environment.insert(QStringLiteral("CLI"), QStringLiteral(FLAZZ_CLI));
    environment.insert(QStringLiteral("SERVICES"), w.services);
    environment.insert(QStringLiteral("PHOTO"), a);
    shell.setProcessEnvironment(environment);
    shell.start(QStringLiteral("sh"),
                {QStringLiteral("-c"), QStringLiteral("job=$(\"$CLI\" send dropbox --no-wait "
                                                      "--services \"$SERVICES\" \"$PHOTO\") "
                                                      "&& echo \"$job\"")});
    ASSERT_TRUE(shell.waitForFinished(60000));
    const QString job = QString::fromUtf8(shell.readAllStandardOutput()).trimmed();
    ASSERT_FALSE(job.isEmpty());
    const CliRun queue = runCli({QStringLiteral("queue")});
    EXPECT_TRUE(queue.lines.value(0).startsWith(u"job\t" + job + u'\t'))
        << qPrintable(queue.lines.join(u'\n'));
    EXPECT_TRUE(queue.lines.value(0).contains(u"\topen\t")) << "the uploader was still sending";
    platform::closeCompanion(platform::companionName(w.state().DataFolder), 2000);
}

} // namespace

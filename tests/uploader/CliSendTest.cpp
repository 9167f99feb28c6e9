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

using namespace Qt::StringLiterals;

namespace {

struct CliRun
{
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

// Runs flazz-cli, or `program` with `more` in its environment, as a script would.
CliRun runCli(const QStringList &args, const QString &program = QStringLiteral(FLAZZ_CLI),
              const QList<std::pair<QString, QString>> &more = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"FLAZZ_UPLOADER"_s, QStringLiteral(FLAZZ_UPLOADER));
    for (const auto &[name, value] : more)
        environment.insert(name, value);
    process.setProcessEnvironment(environment);
    process.start(program, args);
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
        services =
            writeServicesFile({u"[Dropbox]"_s, u"Api=" + c.dropbox.api, u"ApiContent=" + c.dropbox.apiContent,
                               u"Web=" + c.dropbox.web, u"ConsumerKey=" + c.dropbox.consumerKey,
                               u"ConsumerSecret=" + c.dropbox.consumerSecret});
        EXPECT_TRUE(clsDropbox(state(), config, signIn, prompt).CreateAccount());
    }

    CliRun send(const QStringList &args) const
    {
        return runCli(QStringList{u"send"_s, u"dropbox"_s, u"--services"_s, services} + args);
    }
};

TEST(CliSend, DropboxPhotosGoThroughTheUploaderIntoTheNamedFolderEachOnce)
{
    DropboxSandbox w;
    const QString a = photo(w.env, u"in/a.png"_s, 1);
    const QString b = photo(w.env, u"in/b.png"_s, 2);
    const QString notAPhoto = w.env.writeFile(u"in/notes.txt"_s, "hello");
    // The first upload is turned away for a while: the retry is told as it
    // is decided, with its reason and when the next attempt comes.
    w.server.setFaults("/1/files_put/", StandinFaults::unavailable(1, 1));

    const CliRun run = w.send({u"--folder"_s, u"Trip"_s, a, b, notAPhoto});
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.errors); // the text file was refused
    ASSERT_EQ(run.lines.size(), 3) << qPrintable(run.lines.join(u'\n'));
    EXPECT_TRUE(run.lines.at(0).startsWith(u"refused\t") && run.lines.at(0).endsWith(notAPhoto));
    // Each photo is told as it arrives, whichever arrives first.
    QStringList sent = run.lines.mid(1);
    sent.sort();
    EXPECT_EQ(sent, (QStringList{u"sent\t/Trip/a.png\t" + a, u"sent\t/Trip/b.png\t" + b}));
    EXPECT_TRUE(run.errors.contains(u"; trying again at ")) << qPrintable(run.errors);
    const QString account = QLatin1String(DropboxService::AccountId);
    EXPECT_EQ(w.store.files(u"DropboxContent"_s),
              (QStringList{account + u"/Trip/a.png", account + u"/Trip/b.png"}));

    // The job stays listed with where each photo went.
    const CliRun queue = runCli({u"queue"_s});
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
        w.writeServicesFile({u"[Google]"_s, u"Accounts=" + c.google.accounts, u"Drive=" + c.google.drive,
                             u"UserInfo=" + c.google.userInfo, u"ClientId=" + c.google.clientId,
                             u"ClientSecret=" + c.google.clientSecret});
    clsGoogle google(w.state(), w.config, w.signIn, w.prompt);
    ASSERT_TRUE(google.CreateAccount());
    SettingsStore(w.state().SettingsFile).write(QLatin1String(SettingsKey::GoogleAccessToken), {});
    w.store.expireTokens(u"Google"_s);
    const QString a = photo(w.env, u"in/a.png"_s, 1);

    const CliRun run = runCli({u"send"_s, u"google"_s, u"--services"_s, services, a});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.errors);
    ASSERT_EQ(run.lines.size(), 1) << qPrintable(run.errors);
    EXPECT_TRUE(run.lines.at(0).startsWith(u"sent\t")) << qPrintable(run.lines.at(0));
    EXPECT_FALSE(w.stored(SettingsKey::GoogleAccessToken).isEmpty());
}

TEST(CliSend, WithoutAStoredSignInOrWithABadCommandNothingIsSent)
{
    TestEnvironment env;
    const QString a = photo(env, u"in/a.png"_s, 1);
    const CliRun unsigned_ = runCli({u"send"_s, u"flickr"_s, a});
    EXPECT_EQ(unsigned_.exitCode, 2);
    EXPECT_TRUE(unsigned_.errors.contains(u"flazz-cli signin flickr")) << qPrintable(unsigned_.errors);
    EXPECT_TRUE(unsigned_.lines.isEmpty());

    for (const QStringList &bad :
         {QStringList{u"send"_s, u"nowhere"_s, a}, QStringList{u"send"_s, u"dropbox"_s},
          QStringList{u"send"_s, u"dropbox"_s, u"--size"_s, u"640"_s, a}})
        EXPECT_EQ(runCli(bad).exitCode, 2) << qPrintable(bad.join(u' '));
}

// The same content sent again to the same account and folder is skipped and
// said so; to another folder, or with --again, it goes. The history lists
// every arrival, the newest first, and is forgotten in one command.
TEST(CliSend, PhotosSentBeforeToTheSameFolderAreSkippedUnlessAskedAgain)
{
    DropboxSandbox w;
    const QString a = photo(w.env, u"in/a.png"_s, 1);
    const QString b = photo(w.env, u"in/b.png"_s, 2);
    // The same content under another name counts as sent.
    const QString aCopy = w.env.writeFile(u"in/copy of a.png"_s, readBytes(a));
    const auto send = [&](const QString &folder, const QStringList &more) {
        return w.send(QStringList{u"--folder"_s, folder} + more);
    };
    ASSERT_EQ(send(u"Trip"_s, {a}).exitCode, 0);

    const CliRun second = send(u"Trip"_s, {aCopy, b});
    EXPECT_EQ(second.exitCode, 0) << qPrintable(second.errors);
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    EXPECT_EQ(second.lines.value(0), u"skipped\talready sent " + today + u'\t' + aCopy);
    EXPECT_TRUE(second.lines.value(1).startsWith(u"sent\t")) << qPrintable(second.lines.join(u'\n'));
    EXPECT_EQ(second.lines.size(), 2);

    EXPECT_TRUE(send(u"Other"_s, {a}).lines.value(0).startsWith(u"sent\t"));
    EXPECT_TRUE(send(u"Trip"_s, {u"--again"_s, a}).lines.value(0).startsWith(u"sent\t"));

    const CliRun history = runCli({u"history"_s, u"--service"_s, u"dropbox"_s, u"--since"_s, today});
    EXPECT_EQ(history.exitCode, 0);
    ASSERT_EQ(history.lines.size(), 4) << qPrintable(history.lines.join(u'\n'));
    // The account is the one the sign-in recorded.
    EXPECT_EQ(history.lines.at(0).section(u'\t', 1),
              u"Dropbox\t" + QLatin1String(DropboxService::AccountId) + u"\tTrip\t/Trip/a.png\t" + a);
    EXPECT_TRUE(history.lines.at(1).contains(u"\tOther\t"));
    EXPECT_TRUE(runCli({u"history"_s, u"--service"_s, u"flickr"_s}).lines.isEmpty());
    EXPECT_EQ(runCli({u"history"_s, u"--since"_s, u"yesterday"_s}).exitCode, 2);

    EXPECT_EQ(runCli({u"history"_s, u"--clear"_s}).exitCode, 0);
    EXPECT_TRUE(runCli({u"history"_s}).lines.isEmpty());
    EXPECT_TRUE(send(u"Trip"_s, {a}).lines.value(0).startsWith(u"sent\t"));
}

// A script that takes the job's id from --no-wait goes on at once: the
// uploader the command started holds none of its output.
TEST(CliSend, NoWaitHandsBackTheJobWhileTheUploaderSends)
{
    DropboxSandbox w;
    w.server.setFaults("/1/files_put/", StandinFaults::late(std::chrono::seconds(20)));
    const QString a = photo(w.env, u"in/a.png"_s, 1);

    const QString script =
        uR"(job=$("$CLI" send dropbox --no-wait --services "$SERVICES" "$PHOTO") && echo "$job")"_s;
    const QString job =
        runCli({u"-c"_s, script}, u"sh"_s,
               {{u"CLI"_s, QStringLiteral(FLAZZ_CLI)}, {u"SERVICES"_s, w.services}, {u"PHOTO"_s, a}})
            .lines.value(0);
    ASSERT_FALSE(job.isEmpty());
    const CliRun queue = runCli({u"queue"_s});
    EXPECT_TRUE(queue.lines.value(0).startsWith(u"job\t" + job + u'\t'))
        << qPrintable(queue.lines.join(u'\n'));
    EXPECT_TRUE(queue.lines.value(0).contains(u"\topen\t")) << "the uploader was still sending";
    platform::closeCompanion(platform::companionName(w.state().DataFolder), 2000);
}

} // namespace

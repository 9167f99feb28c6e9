// flazz-cli send and queue as a script runs them: the stored sign-in, the
// background uploader started on demand, a line per photo.

#include "cloudfolders/clsDropbox.h"
#include "platform/CompanionWindow.h"
#include "sandbox/services/DropboxContentService.h"
#include "sandbox/services/DropboxService.h"
#include "support/SandboxWorld.h"

#include <QBuffer>
#include <QImage>
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
    QImage image(40 + seed, 30, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((seed * 53) % 360, 180, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return env.writeFile(relative, bytes);
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
};

TEST(CliSend, DropboxPhotosGoThroughTheUploaderIntoTheNamedFolderEachOnce)
{
    DropboxSandbox w;
    clsDropbox dropbox(w.state(), w.config, w.signIn, w.prompt);
    ASSERT_TRUE(dropbox.CreateAccount());
    const QString a = photo(w.env, QStringLiteral("in/a.png"), 1);
    const QString b = photo(w.env, QStringLiteral("in/b.png"), 2);
    const QString notAPhoto = w.env.writeFile(QStringLiteral("in/notes.txt"), "hello");
    // The first upload is turned away for a while: the retry is told as it
    // is decided, with its reason and when the next attempt comes.
    w.server.setFaults("/1/files_put/", StandinFaults::unavailable(1, 1));

    const CliRun run =
        runCli({QStringLiteral("send"), QStringLiteral("dropbox"), QStringLiteral("--folder"),
                QStringLiteral("Trip"), QStringLiteral("--services"), w.services, a, b, notAPhoto});
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

// A script that takes the job's id from --no-wait goes on at once: the
// uploader the command started holds none of its output.
TEST(CliSend, NoWaitHandsBackTheJobWhileTheUploaderSends)
{
    DropboxSandbox w;
    clsDropbox dropbox(w.state(), w.config, w.signIn, w.prompt);
    ASSERT_TRUE(dropbox.CreateAccount());
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

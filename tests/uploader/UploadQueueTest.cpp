#include "UploaderWorld.h"

#include "uploader/UploadProgress.h"
#include "uploader/UploadQueue.h"
#include "webkit/ToolkitError.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

UploadJobSpec spec(const QString &service, const QString &token, int photos)
{
    UploadJobSpec s;
    s.service = ServiceId::fromText(service);
    s.token = token;
    QStringList paths;
    for (int i = 0; i < photos; ++i)
        paths << QStringLiteral("/photos/p%1.jpg").arg(i);
    s.items = uncheckedItems(paths);
    return s;
}

} // namespace

// What one connection commits, another (the other program) sees at once; the
// file, which holds tokens, is its owner's alone.
TEST(UploadQueue, CommittedJobIsSeenByAnotherConnectionAndFileIsOwnerOnly)
{
    TestEnvironment env;
    const QString path = env.path(QStringLiteral("data/Uploads.db"));
    UploadQueue writer(path);
    ASSERT_TRUE(writer.isOpen()) << qPrintable(writer.errorText());
    UploadJobSpec s = spec(QStringLiteral("Flickr"), QStringLiteral("t1"), 3);
    s.items[0].remarks = QStringLiteral("first");
    const QString id = writer.addJob(s);

    UploadQueue reader(path);
    const QList<QueuedPhoto> photos = reader.pendingPhotos(id);
    ASSERT_EQ(photos.size(), 3);
    EXPECT_EQ(photos[0].remarks, u"first");
    EXPECT_EQ(photos[2].remarks, u"");
    EXPECT_EQ(photos[1].state, u"queued");
    EXPECT_EQ(QFileInfo(path).permissions().toInt() & 0x77, 0); // nothing for group or others
}

// The program, the command line and the uploader may open a new queue at
// the same moment: each of them opens it.
TEST(UploadQueue, ANewQueueOpenedByManyAtOnceOpensForEach)
{
    TestEnvironment env;
    const QString path = env.path(QStringLiteral("data/Uploads.db"));
    std::atomic<int> opened{0};
    std::vector<std::thread> openers;
    for (int i = 0; i < 6; ++i)
        openers.emplace_back([&] { opened += UploadQueue(path).isOpen(); });
    for (std::thread &t : openers)
        t.join();
    EXPECT_EQ(opened.load(), 6);
}

TEST(UploadQueue, UnwritableQueueRaisesInTheCallingFlow)
{
    TestEnvironment env;
    env.writeFile(QStringLiteral("blocker"), "x");
    UploadQueue queue(env.path(QStringLiteral("blocker/Uploads.db")));
    EXPECT_FALSE(queue.isOpen());
    EXPECT_THROW(queue.addJob(spec(QStringLiteral("Dropbox"), QStringLiteral("t"), 1)), ToolkitError);
}

// Jobs name their service in text that outlives versions: SkyDrive's have
// always said "Live", a remote of the rclone program is "rclone:NAME", and a
// text this version does not know comes back as it was, for the one that does.
TEST(UploadQueue, ServicesComeBackFromTheirStoredTexts)
{
    TestEnvironment env;
    UploadQueue queue(env.path(QStringLiteral("data/Uploads.db")));
    UploadJobSpec sky = spec({}, QStringLiteral("t"), 1);
    sky.service = Service::SkyDrive;
    UploadJobSpec remote = spec({}, QStringLiteral("t"), 1);
    remote.service = ServiceId::rcloneRemote(QStringLiteral("holiday"));
    const QString skyId = queue.addJob(sky);
    const QString remoteId = queue.addJob(remote);
    const QString laterId = queue.addJob(spec(QStringLiteral("Later"), QStringLiteral("t"), 1));

    const UploadQueue reader(env.path(QStringLiteral("data/Uploads.db")));
    EXPECT_EQ(reader.job(skyId).service, ServiceId(Service::SkyDrive));
    EXPECT_EQ(reader.job(skyId).service.text(), u"Live");
    EXPECT_EQ(reader.job(remoteId).service, ServiceId::rcloneRemote(QStringLiteral("holiday")));
    EXPECT_EQ(reader.job(laterId).service.text(), u"Later");
    EXPECT_FALSE(reader.job(laterId).service.service());
}

// A job stopped for its token waits for a new sign-in to the same service;
// another service's sign-in does not wake it.
TEST(UploadQueue, StoppedJobTakesTheNextTokenOfItsService)
{
    TestEnvironment env;
    UploadQueue queue(env.path(QStringLiteral("data/Uploads.db")));
    const QString stopped = queue.addJob(spec(QStringLiteral("Dropbox"), QStringLiteral("old"), 2));
    ASSERT_TRUE(queue.markSending(stopped, 0));
    ASSERT_TRUE(queue.stopJob(stopped, QStringLiteral("The access token has expired.")));
    EXPECT_EQ(queue.pendingPhotos(stopped).at(0).state, u"queued");

    queue.addJob(spec(QStringLiteral("Flickr"), QStringLiteral("other"), 1));
    EXPECT_EQ(queue.job(stopped).state, u"stopped");
    queue.addJob(spec(QStringLiteral("Dropbox"), QStringLiteral("new"), 1));
    EXPECT_EQ(queue.job(stopped).state, u"open");
    EXPECT_EQ(queue.job(stopped).token, u"new");
}

// The tray's line tells what was sent, what is on its way and what waits and
// why; a job that waits while no uploader runs says so and the uploader is
// started again; each finished job is announced once, counting only what
// was sent.
TEST(UploadQueue, WatchTellsWhatWaitsAndWhyRestartsAMissingUploaderAndAnnouncesEachEndOnce)
{
    TestEnvironment env;
    const QString path = env.path(QStringLiteral("data/Uploads.db"));
    UploadQueue queue(path);
    const QString id = queue.addJob(spec(QStringLiteral("Dropbox"), QStringLiteral("t"), 10));
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (int i = 0; i < 3; ++i)
        queue.markSent(id, i, QStringLiteral("/x"));
    queue.markSending(id, 3);
    queue.markSending(id, 4);
    queue.markRetry(id, 5, now + 30000, QStringLiteral("Service Unavailable"));
    EXPECT_EQ(UploadTexts::status(queue.summaries(), true, now).toStdString(),
              "Dropbox: 3 of 10 sent, 2 on their way, 4 waiting, 1 retrying in 30 s: Service Unavailable");
    EXPECT_EQ(UploadTexts::exitNote(queue.summaries()).toStdString(),
              "7 photos still to be sent: the 2 on the way finish in the background, the other 5 when Flazz "
              "starts again.");

    RecordingNotices notices;
    bool running = true;
    int restarts = 0;
    UploadWatch watch(path, notices);
    watch.setUploader([&] { return running; }, [&] { return ++restarts > 0; });
    watch.poll();
    running = false;
    watch.poll(); // one miss may be an uploader starting up
    EXPECT_EQ(restarts, 0);
    watch.poll();
    EXPECT_EQ(restarts, 1);
    EXPECT_EQ(notices.statuses.last().toStdString(), "Dropbox: 3 of 10 sent, 7 waiting for the uploader");

    for (int i = 3; i < 9; ++i)
        queue.markSent(id, i, QStringLiteral("/x"));
    queue.markFailed(id, 9, QStringLiteral("Filetype was not recognised"));
    queue.endJobIfDone(id);
    watch.poll();
    watch.poll();
    EXPECT_EQ(notices.statuses.last(), u"");
    ASSERT_EQ(notices.notices.size(), 1);
    EXPECT_EQ(notices.notices[0].toStdString(),
              "9 of 10 photos sent to Dropbox. Not sent: p9.jpg: Filetype was not recognised.");
    EXPECT_TRUE(UploadTexts::exitNote(queue.summaries()).isEmpty());
}

// A queue kept by an earlier version, before jobs could be filled while
// adding and photos come with copies, opens with those columns added and its
// job as it was.
TEST(UploadQueue, AnEarlierQueueGainsTheNewColumnsAndKeepsItsJob)
{
    TestEnvironment env;
    const QString path = env.path(QStringLiteral("data/Uploads.db"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("earlier"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const char *sql :
             {"CREATE TABLE jobs(id TEXT PRIMARY KEY, service TEXT NOT NULL, token TEXT NOT NULL, secret "
              "TEXT "
              "NOT NULL, size INTEGER NOT NULL, target TEXT NOT NULL, privacy TEXT NOT NULL, state TEXT NOT "
              "NULL, reason TEXT NOT NULL DEFAULT '', created INTEGER NOT NULL, announced INTEGER NOT NULL "
              "DEFAULT 0)",
              "CREATE TABLE photos(job TEXT NOT NULL, seq INTEGER NOT NULL, path TEXT NOT NULL, remarks TEXT "
              "NOT NULL, state TEXT NOT NULL, remote_id TEXT NOT NULL DEFAULT '', reason TEXT NOT NULL "
              "DEFAULT "
              "'', attempts INTEGER NOT NULL DEFAULT 0, not_before INTEGER NOT NULL DEFAULT 0, PRIMARY "
              "KEY(job, seq))",
              "INSERT INTO jobs VALUES('j1', 'Dropbox', 't', 's', 800, '', '', 'open', '', 1, 0)",
              "INSERT INTO photos(job, seq, path, remarks, state) VALUES('j1', 0, '/p/a.jpg', '', 'queued')"})
            ASSERT_TRUE(q.exec(QLatin1String(sql))) << qPrintable(q.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("earlier"));

    UploadQueue queue(path);
    ASSERT_TRUE(queue.isOpen()) << qPrintable(queue.errorText());
    const QList<QueuedPhoto> pending = queue.pendingPhotos(QStringLiteral("j1"));
    ASSERT_EQ(pending.size(), 1);
    EXPECT_EQ(pending[0].path, u"/p/a.jpg");
    EXPECT_TRUE(pending[0].prepared.isEmpty());
    ASSERT_TRUE(queue.markSent(QStringLiteral("j1"), 0, QStringLiteral("/a.jpg")));
    ASSERT_TRUE(queue.endJobIfDone(QStringLiteral("j1")));
    EXPECT_EQ(queue.job(QStringLiteral("j1")).state, u"ended"); // an earlier job is a sealed one
}

// Photos added to an open job take the places after its own, with their
// remarks; the job ends only once sealed (the uploader's run shows that).
TEST(UploadQueue, AnOpenJobTakesPhotosInOrderAndStaysOpenUntilSealed)
{
    TestEnvironment env;
    UploadQueue queue(env.path(QStringLiteral("data/Uploads.db")));
    UploadJobSpec s = spec(QStringLiteral("Google"), QStringLiteral("t"), 0);
    s.open = true;
    const QString id = queue.addJob(s);
    queue.appendPhotos(id, uncheckedItems({QStringLiteral("/p/1.jpg"), QStringLiteral("/p/2.jpg")},
                                          {QStringLiteral("one"), QString()}));
    for (int seq : {0, 1})
        ASSERT_TRUE(queue.markSent(id, seq, QStringLiteral("r%1").arg(seq)));
    ASSERT_TRUE(queue.endJobIfDone(id));
    EXPECT_EQ(queue.job(id).state, u"open"); // more are coming

    queue.appendPhotos(id, uncheckedItems({QStringLiteral("/p/3.jpg")}, {QStringLiteral("three")}));
    const QList<QueuedPhoto> photos = queue.photos(id);
    ASSERT_EQ(photos.size(), 3);
    EXPECT_EQ(photos[2].seq, 2);
    EXPECT_EQ(photos[2].path, u"/p/3.jpg");
    EXPECT_EQ(photos[2].remarks, u"three");
    EXPECT_EQ(photos[0].remarks, u"one");
}

// A photo is remembered where it arrived: per service, account and folder,
// by its content, and only once it is marked sent.
TEST(UploadQueue, SentPhotosAreRememberedPerServiceAccountAndFolder)
{
    TestEnvironment env;
    UploadQueue queue(env.path(QStringLiteral("data/Uploads.db")));
    UploadJobSpec s = spec(QStringLiteral("Dropbox"), QStringLiteral("t"), 3);
    s.account = QStringLiteral("uid-1");
    s.target = QStringLiteral("Holiday");
    s.items[0].content = "d0";
    s.items[1].content = "d1"; // never sent
    // s.items[2] has no digest (its file could not be read): not remembered
    const QString id = queue.addJob(s);
    ASSERT_TRUE(queue.markSent(id, 0, QStringLiteral("/Holiday/p0.jpg")));
    ASSERT_TRUE(queue.markFailed(id, 1, QStringLiteral("refused")));
    ASSERT_TRUE(queue.markSent(id, 2, QStringLiteral("/Holiday/p2.jpg")));

    const QStringList digests{QStringLiteral("d0"), QStringLiteral("d1"), QString()};
    const QHash<QString, SentRecord> there =
        queue.sentBefore(Service::Dropbox, QStringLiteral("uid-1"), QStringLiteral("Holiday"), digests);
    ASSERT_EQ(there.size(), 1);
    EXPECT_EQ(there.value(QStringLiteral("d0")).remoteId, u"/Holiday/p0.jpg");
    EXPECT_EQ(there.value(QStringLiteral("d0")).path, u"/photos/p0.jpg");
    EXPECT_TRUE(
        queue.sentBefore(Service::Dropbox, QStringLiteral("uid-2"), QStringLiteral("Holiday"), digests)
            .isEmpty());
    EXPECT_TRUE(queue.sentBefore(Service::Dropbox, QStringLiteral("uid-1"), QStringLiteral("Other"), digests)
                    .isEmpty());
    EXPECT_TRUE(queue.sentBefore(Service::Google, QStringLiteral("uid-1"), QStringLiteral("Holiday"), digests)
                    .isEmpty());
}

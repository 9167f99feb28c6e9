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

using namespace Qt::StringLiterals;

namespace {

UploadJobSpec spec(const ServiceId &service, const QString &token = u"t"_s, int photos = 1)
{
    UploadJobSpec s;
    s.service = service;
    s.token = token;
    QStringList paths;
    for (int i = 0; i < photos; ++i)
        paths << u"/photos/p%1.jpg"_s.arg(i);
    s.items = uncheckedItems(paths);
    return s;
}

// A queue in a private data folder, as the program opens it.
class UploadQueueTest : public ::testing::Test
{
protected:
    TestEnvironment env;
    const QString path = env.path(u"data/Uploads.db"_s);
    UploadQueue queue{path};
};

} // namespace

// What one connection commits, another (the other program) sees at once; the
// file, which holds tokens, is its owner's alone.
TEST_F(UploadQueueTest, CommittedJobIsSeenByAnotherConnectionAndFileIsOwnerOnly)
{
    ASSERT_TRUE(queue.isOpen()) << qPrintable(queue.errorText());
    UploadJobSpec s = spec(Service::Flickr, u"t1"_s, 3);
    s.items[0].remarks = u"first"_s;
    const QString id = queue.addJob(s);

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
    const QString path = env.path(u"data/Uploads.db"_s);
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
    env.writeFile(u"blocker"_s, "x");
    UploadQueue queue(env.path(u"blocker/Uploads.db"_s));
    EXPECT_FALSE(queue.isOpen());
    EXPECT_THROW(queue.addJob(spec(Service::Dropbox)), ToolkitError);
}

// Jobs name their service in text that outlives versions: SkyDrive's have
// always said "Live", a remote of the rclone program is "rclone:NAME", and a
// text this version does not know comes back as it was, for the one that does.
TEST_F(UploadQueueTest, ServicesComeBackFromTheirStoredTexts)
{
    const QString skyId = queue.addJob(spec(Service::SkyDrive));
    const QString remoteId = queue.addJob(spec(ServiceId::rcloneRemote(u"holiday"_s)));
    const QString laterId = queue.addJob(spec(ServiceId::fromText(u"Later"_s)));

    const UploadQueue reader(path);
    EXPECT_EQ(reader.job(skyId).service, ServiceId(Service::SkyDrive));
    EXPECT_EQ(reader.job(skyId).service.text(), u"Live");
    EXPECT_EQ(reader.job(remoteId).service, ServiceId::rcloneRemote(u"holiday"_s));
    EXPECT_EQ(reader.job(laterId).service.text(), u"Later");
    EXPECT_FALSE(reader.job(laterId).service.service());
}

// A job stopped for its token waits for a new sign-in to the same service;
// another service's sign-in does not wake it.
TEST_F(UploadQueueTest, StoppedJobTakesTheNextTokenOfItsService)
{
    const QString stopped = queue.addJob(spec(Service::Dropbox, u"old"_s, 2));
    ASSERT_TRUE(queue.markSending(stopped, 0));
    ASSERT_TRUE(queue.stopJob(stopped, u"The access token has expired."_s));
    EXPECT_EQ(queue.pendingPhotos(stopped).at(0).state, u"queued");

    queue.addJob(spec(Service::Flickr, u"other"_s, 1));
    EXPECT_EQ(queue.job(stopped).state, u"stopped");
    queue.addJob(spec(Service::Dropbox, u"new"_s, 1));
    EXPECT_EQ(queue.job(stopped).state, u"open");
    EXPECT_EQ(queue.job(stopped).token, u"new");
}

// The tray's line tells what was sent, what is on its way and what waits and
// why; a job that waits while no uploader runs says so and the uploader is
// started again; each finished job is announced once, counting only what
// was sent.
TEST_F(UploadQueueTest, WatchTellsWhatWaitsAndWhyRestartsAMissingUploaderAndAnnouncesEachEndOnce)
{
    const QString id = queue.addJob(spec(Service::Dropbox, u"t"_s, 10));
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (int i = 0; i < 3; ++i)
        queue.markSent(id, i, u"/x"_s);
    queue.markSending(id, 3);
    queue.markSending(id, 4);
    queue.markRetry(id, 5, now + 30000, u"Service Unavailable"_s);
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
        queue.markSent(id, i, u"/x"_s);
    queue.markFailed(id, 9, u"Filetype was not recognised"_s);
    queue.endJobIfDone(id);
    watch.poll();
    watch.poll();
    EXPECT_EQ(notices.statuses.last(), u"");
    EXPECT_EQ(notices.notices.join(u'\n').toStdString(),
              "9 of 10 photos sent to Dropbox. Not sent: p9.jpg: Filetype was not recognised.");
    EXPECT_TRUE(UploadTexts::exitNote(queue.summaries()).isEmpty());
}

// A queue kept by an earlier version, before jobs could be filled while
// adding and photos come with copies, opens with those columns added and its
// job as it was.
TEST(UploadQueue, AnEarlierQueueGainsTheNewColumnsAndKeepsItsJob)
{
    TestEnvironment env;
    const QString path = env.path(u"data/Uploads.db"_s);
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"earlier"_s);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        const char *earlier = R"(
            CREATE TABLE jobs(id TEXT PRIMARY KEY, service TEXT NOT NULL, token TEXT NOT NULL, secret TEXT NOT NULL,
              size INTEGER NOT NULL, target TEXT NOT NULL, privacy TEXT NOT NULL, state TEXT NOT NULL,
              reason TEXT NOT NULL DEFAULT '', created INTEGER NOT NULL, announced INTEGER NOT NULL DEFAULT 0);
            CREATE TABLE photos(job TEXT NOT NULL, seq INTEGER NOT NULL, path TEXT NOT NULL, remarks TEXT NOT NULL,
              state TEXT NOT NULL, remote_id TEXT NOT NULL DEFAULT '', reason TEXT NOT NULL DEFAULT '',
              attempts INTEGER NOT NULL DEFAULT 0, not_before INTEGER NOT NULL DEFAULT 0, PRIMARY KEY(job, seq));
            INSERT INTO jobs VALUES('j1', 'Dropbox', 't', 's', 800, '', '', 'open', '', 1, 0);
            INSERT INTO photos(job, seq, path, remarks, state) VALUES('j1', 0, '/p/a.jpg', '', 'queued'))";
        for (const QString &sql : QString::fromLatin1(earlier).split(u';'))
            ASSERT_TRUE(q.exec(sql)) << qPrintable(q.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase(u"earlier"_s);

    UploadQueue queue(path);
    ASSERT_TRUE(queue.isOpen()) << qPrintable(queue.errorText());
    const QList<QueuedPhoto> pending = queue.pendingPhotos(u"j1"_s);
    ASSERT_EQ(pending.size(), 1);
    EXPECT_EQ(pending[0].path, u"/p/a.jpg");
    EXPECT_TRUE(pending[0].prepared.isEmpty());
    ASSERT_TRUE(queue.markSent(u"j1"_s, 0, u"/a.jpg"_s));
    ASSERT_TRUE(queue.endJobIfDone(u"j1"_s));
    EXPECT_EQ(queue.job(u"j1"_s).state, u"ended"); // an earlier job is a sealed one
}

// A photo is remembered where it arrived: per service, account and folder,
// by its content, and only once it is marked sent.
TEST_F(UploadQueueTest, SentPhotosAreRememberedPerServiceAccountAndFolder)
{
    UploadJobSpec s = spec(Service::Dropbox, u"t"_s, 3);
    s.account = u"uid-1"_s;
    s.target = u"Holiday"_s;
    s.items[0].content = "d0";
    s.items[1].content = "d1"; // never sent
    // s.items[2] has no digest (its file could not be read): not remembered
    const QString id = queue.addJob(s);
    ASSERT_TRUE(queue.markSent(id, 0, u"/Holiday/p0.jpg"_s));
    ASSERT_TRUE(queue.markFailed(id, 1, u"refused"_s));
    ASSERT_TRUE(queue.markSent(id, 2, u"/Holiday/p2.jpg"_s));

    const QStringList digests{u"d0"_s, u"d1"_s, QString()};
    const QHash<QString, SentRecord> there =
        queue.sentBefore(Service::Dropbox, u"uid-1"_s, u"Holiday"_s, digests);
    ASSERT_EQ(there.size(), 1);
    EXPECT_EQ(there.value(u"d0"_s).remoteId, u"/Holiday/p0.jpg");
    EXPECT_EQ(there.value(u"d0"_s).path, u"/photos/p0.jpg");
    EXPECT_TRUE(queue.sentBefore(Service::Dropbox, u"uid-2"_s, u"Holiday"_s, digests).isEmpty());
    EXPECT_TRUE(queue.sentBefore(Service::Dropbox, u"uid-1"_s, u"Other"_s, digests).isEmpty());
    EXPECT_TRUE(queue.sentBefore(Service::Google, u"uid-1"_s, u"Holiday"_s, digests).isEmpty());
}

#include "UploaderWorld.h"

#include "uploader/QueuedUploader.h"
#include "uploader/UploadProgress.h"
#include "uploader/UploadQueue.h"
#include "webkit/ToolkitError.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

UploadJobSpec spec(const QString &service, const QString &token, int photos)
{
    UploadJobSpec s;
    s.service = service;
    s.token = token;
    for (int i = 0; i < photos; ++i)
        s.photos << QStringLiteral("/photos/p%1.jpg").arg(i);
    return s;
}

class RecordingNotices : public UploadNotices
{
public:
    QStringList statuses;
    QStringList notices;
    void showUploadStatus(const QString &status) override { statuses << status; }
    void notifyUpload(const QString &, const QString &message) override { notices << message; }
};

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
    s.remarks = {QStringLiteral("first"), QString()};
    const QString id = writer.addJob(s);

    UploadQueue reader(path);
    const QList<QueuedPhoto> photos = reader.pendingPhotos(id);
    ASSERT_EQ(photos.size(), 3);
    EXPECT_EQ(photos[0].remarks, u"first");
    EXPECT_EQ(photos[2].remarks, u"");
    EXPECT_EQ(photos[1].state, u"queued");
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFileInfo(path).permissions() & others, QFileDevice::Permissions());
    EXPECT_TRUE(QFileInfo(path).permissions() & QFileDevice::WriteOwner);
}

TEST(UploadQueue, UnwritableQueueRaisesInTheCallingFlow)
{
    TestEnvironment env;
    env.writeFile(QStringLiteral("blocker"), "x");
    UploadQueue queue(env.path(QStringLiteral("blocker/Uploads.db")));
    EXPECT_FALSE(queue.isOpen());
    EXPECT_THROW(queue.addJob(spec(QStringLiteral("Dropbox"), QStringLiteral("t"), 1)), ToolkitError);
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

TEST(UploadQueue, ListsFromTheFlowsBecomePhotosAndRemarks)
{
    EXPECT_EQ(QueuedUploader::splitPhotoList(QStringLiteral("/a/1.jpg\t/b/2 x.jpg")),
              (QStringList{QStringLiteral("/a/1.jpg"), QStringLiteral("/b/2 x.jpg")}));
    EXPECT_EQ(QueuedUploader::splitRemarksList(QStringLiteral(" sunset#\t# #\t# two  words")),
              (QStringList{QStringLiteral("sunset"), QString(), QStringLiteral("two  words")}));
}

// The tray's line follows the queue, and each finished job is announced once,
// naming what did not go.
TEST(UploadQueue, WatchShowsProgressAndAnnouncesEachEndOnce)
{
    TestEnvironment env;
    const QString path = env.path(QStringLiteral("data/Uploads.db"));
    UploadQueue queue(path);
    UploadJobSpec s = spec(QStringLiteral("Dropbox"), QStringLiteral("t"), 100);
    const QString id = queue.addJob(s);
    for (int i = 0; i < 22; ++i)
        queue.markSent(id, i, QStringLiteral("/x"));

    RecordingNotices notices;
    UploadWatch watch(path, notices);
    watch.poll();
    ASSERT_EQ(notices.statuses.size(), 1);
    EXPECT_EQ(notices.statuses[0].toStdString(), "Uploading 23 of 100 to Dropbox");

    for (int i = 22; i < 99; ++i)
        queue.markSent(id, i, QStringLiteral("/x"));
    queue.markFailed(id, 99, QStringLiteral("Filetype was not recognised"));
    queue.endJobIfDone(id);
    watch.poll();
    watch.poll();
    EXPECT_EQ(notices.statuses.last(), u"");
    ASSERT_EQ(notices.notices.size(), 1);
    EXPECT_EQ(notices.notices[0].toStdString(),
              "99 of 100 photos sent to Dropbox. Not sent: p99.jpg: Filetype was not recognised.");
}

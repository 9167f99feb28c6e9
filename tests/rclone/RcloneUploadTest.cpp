#include "../uploader/UploaderWorld.h"
#include "rclone/RcloneNames.h"
#include "support/ProgramRun.h"
#include "support/RcloneWorld.h"
#include "support/RepeatedKills.h"
#include "support/TestText.h"

#include <QDirIterator>
#include <QImage>

#include <gtest/gtest.h>

namespace {

// A world of remotes with the background uploader's queue beside them.
struct UploadWorld : UploaderWorld
{
    RcloneWorld rclone{env.root()};

    QString photo(const QString &relative, int seed, int width = 320, int height = 240)
    {
        return env.writeFile(relative, jpegBytes(width, height, seed));
    }

    // A job to `remote`'s `folder`, the names decided as the window does.
    QString queueJob(const QString &remote, const QString &folder, const QStringList &paths, int size = 0)
    {
        UploadJobSpec spec;
        spec.service = ServiceId::rcloneRemote(remote);
        spec.target = folder;
        spec.items = uncheckedItems(paths);
        spec.uploadSize = size;
        RcloneNames names(rclone.filesIn(remote, folder));
        for (UploadItem &item : spec.items)
            item.name = names.claim(QFileInfo(item.path).fileName());
        return queue().addJob(spec);
    }
};

} // namespace

// From the command line, as a script sends: photos of one name from two
// folders both arrive beside the file that had the name already, scaled, and
// that file is left as it was.
TEST(RcloneUploadTest, ASendLandsScaledOnceBesideWhatWasThere)
{
    UploadWorld world;
    const QString first = world.photo(QStringLiteral("one/IMG.jpg"), 1, 1200, 900);
    const QString second = world.photo(QStringLiteral("two/IMG.jpg"), 2, 1200, 900);
    const QByteArray theirs = "not a photo of ours";
    world.env.writeFile(QStringLiteral("remote-dav/Trips/2024/IMG.jpg"), theirs);

    qputenv("FLAZZ_UPLOADER", FLAZZ_UPLOADER);
    const ProgramRun run = runProgram(
        QStringLiteral(FLAZZ_CLI),
        {QStringLiteral("send"), QStringLiteral("rclone:dav"), QStringLiteral("--size"),
         QStringLiteral("800"), QStringLiteral("--folder"), QStringLiteral("Trips/2024"), first, second},
        120000);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines, (QStringList{u"sent\tTrips/2024/IMG (1).jpg\t" + first,
                                      u"sent\tTrips/2024/IMG (2).jpg\t" + second}));

    EXPECT_EQ(world.rclone.filesIn(QStringLiteral("dav"), QStringLiteral("Trips/2024")),
              (QStringList{QStringLiteral("IMG (1).jpg"), QStringLiteral("IMG (2).jpg"),
                           QStringLiteral("IMG.jpg")}));
    EXPECT_EQ(readBytes(world.rclone.davFolder + u"/Trips/2024/IMG.jpg"), theirs);
    for (const QString &name : {QStringLiteral("IMG (1).jpg"), QStringLiteral("IMG (2).jpg")}) {
        const QImage arrived(world.rclone.davFolder + u"/Trips/2024/" + name);
        EXPECT_EQ(arrived.size(), QSize(800, 600)) << qPrintable(name);
    }
}

// The uploader killed at random moments, with transfers slowed so that kills
// land in them, and started again: every photo arrives once under its name,
// and no scratch copy is left behind.
TEST(RcloneUploadTest, AJobSurvivesKillsWithoutASecondCopy)
{
    UploadWorld world;
    QStringList paths;
    for (int i = 0; i < 12; ++i)
        paths << world.photo(QStringLiteral("photos/p%1.jpg").arg(i), i + 3);
    const QString id = world.queueJob(QStringLiteral("dav"), QStringLiteral("Kept"), paths);
    qputenv("RCLONE_BWLIMIT", "300k");
    const int kills =
        killAtRandomMoments([&] { return world.startUploader(); },
                            [&] { return world.queue().job(id).state == u"ended"; }, 20261206, 300, 1500, 40);
    qunsetenv("RCLONE_BWLIMIT");
    ASSERT_TRUE(world.runUploader(120000));
    EXPECT_GE(kills, 3);
    EXPECT_EQ(states(world.queue().photos(id)), QStringList(12, QStringLiteral("sent")));
    QStringList expected;
    for (int i = 0; i < 12; ++i)
        expected << QStringLiteral("p%1.jpg").arg(i);
    expected.sort();
    EXPECT_EQ(world.rclone.filesIn(QStringLiteral("dav"), QStringLiteral("Kept")), expected)
        << "kills: " << kills;
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(readBytes(world.rclone.davFolder + QStringLiteral("/Kept/p%1.jpg").arg(i)),
                  readBytes(paths.at(i)));
}

// Refusals: a sign-in the remote refuses and a missing rclone stop the job
// with a reason (it goes on with the next job to the remote); a full remote
// fails the photo with its reason. No password or token of the rclone
// configuration reaches anything of Flazz's.
TEST(RcloneUploadTest, RefusalsAreToldPlainlyAndKeepTheirSecrets)
{
    UploadWorld world;
    const QByteArray url = world.rclone.dav->url().toUtf8().replace("http://", "http://flazz:PW-SECRET-1@");
    world.rclone.addSection("[wrong]\ntype = webdav\nvendor = other\nurl = " + url +
                            "\nbearer_token = BT-SECRET-2\n");
    StandinServer full;
    full.answerPrefix("*", "/", [](const StandinRequest &request) {
        if (request.method == "PUT")
            return StandinAnswer{507, {}, "Insufficient Storage"};
        return StandinAnswer{request.method == "PROPFIND" ? 404 : 201, {}, {}};
    });
    world.rclone.addSection("[full]\ntype = webdav\nvendor = other\nurl = " + full.baseUrl().toUtf8() + '\n');
    const QString photo = world.photo(QStringLiteral("a.jpg"), 7);

    const QString refused = world.queueJob(QStringLiteral("wrong"), {}, {photo});
    const QString noRoom = world.queueJob(QStringLiteral("full"), {}, {photo});
    ASSERT_TRUE(world.runUploader(120000));
    EXPECT_EQ(world.queue().job(refused).state, u"stopped");
    EXPECT_TRUE(world.queue().job(refused).reason.startsWith(u"The remote refused the sign-in"))
        << qPrintable(world.queue().job(refused).reason);
    EXPECT_EQ(states(world.queue().photos(noRoom)), QStringList{QStringLiteral("failed")});
    EXPECT_TRUE(world.queue().photos(noRoom).first().reason.startsWith(u"The remote is full"))
        << qPrintable(world.queue().photos(noRoom).first().reason);

    qputenv("FLAZZ_RCLONE", world.env.path(QStringLiteral("no/rclone")).toUtf8());
    const QString noRclone = world.queueJob(QStringLiteral("dav"), {}, {photo});
    ASSERT_TRUE(world.runUploader(120000));
    qunsetenv("FLAZZ_RCLONE");
    EXPECT_EQ(world.queue().job(noRclone).state, u"stopped");
    EXPECT_TRUE(world.queue().job(noRclone).reason.startsWith(u"rclone could not be started"))
        << qPrintable(world.queue().job(noRclone).reason);
    // With rclone there again, the next job to the remote takes it along.
    const QString next = world.queueJob(QStringLiteral("dav"), QStringLiteral("Next"), {photo});
    ASSERT_TRUE(world.runUploader(120000));
    EXPECT_EQ(world.queue().job(noRclone).state, u"ended");
    EXPECT_EQ(states(world.queue().photos(next)), QStringList{QStringLiteral("sent")});

    QDirIterator files(world.env.path(QStringLiteral("data")), QDir::Files | QDir::Hidden,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QByteArray bytes = readBytes(files.next());
        EXPECT_FALSE(bytes.contains("PW-SECRET-1") || bytes.contains("BT-SECRET-2"))
            << qPrintable(files.filePath());
    }
}

#include "../uploader/UploaderWorld.h"
#include "rclone/RcloneNames.h"
#include "support/ProgramRun.h"
#include "support/RcloneWorld.h"
#include "support/RepeatedKills.h"
#include "support/TestText.h"

#include <QDirIterator>
#include <QImage>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

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
    const QString first = world.photo(u"one/IMG.jpg"_s, 1, 1200, 900);
    const QString second = world.photo(u"two/IMG.jpg"_s, 2, 1200, 900);
    const QByteArray theirs = "not a photo of ours";
    world.env.writeFile(u"remote-dav/Trips/2024/IMG.jpg"_s, theirs);

    qputenv("FLAZZ_UPLOADER", FLAZZ_UPLOADER);
    const ProgramRun run = runProgram(
        QStringLiteral(FLAZZ_CLI),
        {u"send"_s, u"rclone:dav"_s, u"--size"_s, u"800"_s, u"--folder"_s, u"Trips/2024"_s, first, second},
        120000);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines, (QStringList{u"sent\tTrips/2024/IMG (1).jpg\t" + first,
                                      u"sent\tTrips/2024/IMG (2).jpg\t" + second}));

    EXPECT_EQ(world.rclone.filesIn(u"dav"_s, u"Trips/2024"_s),
              (QStringList{u"IMG (1).jpg"_s, u"IMG (2).jpg"_s, u"IMG.jpg"_s}));
    EXPECT_EQ(readBytes(world.rclone.davFolder + u"/Trips/2024/IMG.jpg"), theirs);
    for (const QString &name : {u"IMG (1).jpg"_s, u"IMG (2).jpg"_s}) {
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
        paths << world.photo(u"photos/p%1.jpg"_s.arg(i), i + 3);
    const QString id = world.queueJob(u"dav"_s, u"Kept"_s, paths);
    qputenv("RCLONE_BWLIMIT", "300k");
    const int kills =
        killAtRandomMoments([&] { return world.startUploader(); },
                            [&] { return world.queue().job(id).state == u"ended"; }, 20261206, 300, 1500, 40);
    qunsetenv("RCLONE_BWLIMIT");
    ASSERT_TRUE(world.runUploader(120000));
    EXPECT_GE(kills, 3);
    EXPECT_EQ(states(world.queue().photos(id)), QStringList(12, u"sent"_s));
    // Each name holds its photo, and nothing else is there.
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(readBytes(world.rclone.davFolder + u"/Kept/p%1.jpg"_s.arg(i)), readBytes(paths.at(i)));
    EXPECT_EQ(world.rclone.filesIn(u"dav"_s, u"Kept"_s).size(), 12) << "kills: " << kills;
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
    const QString photo = world.photo(u"a.jpg"_s, 7);

    const QString refused = world.queueJob(u"wrong"_s, {}, {photo});
    const QString noRoom = world.queueJob(u"full"_s, {}, {photo});
    ASSERT_TRUE(world.runUploader(120000));
    EXPECT_EQ(world.queue().job(refused).state, u"stopped");
    EXPECT_TRUE(world.queue().job(refused).reason.startsWith(u"The remote refused the sign-in"))
        << qPrintable(world.queue().job(refused).reason);
    EXPECT_EQ(states(world.queue().photos(noRoom)), QStringList{u"failed"_s});
    EXPECT_TRUE(world.queue().photos(noRoom).first().reason.startsWith(u"The remote is full"))
        << qPrintable(world.queue().photos(noRoom).first().reason);

    qputenv("FLAZZ_RCLONE", world.env.path(u"no/rclone"_s).toUtf8());
    const QString noRclone = world.queueJob(u"dav"_s, {}, {photo});
    ASSERT_TRUE(world.runUploader(120000));
    qunsetenv("FLAZZ_RCLONE");
    EXPECT_EQ(world.queue().job(noRclone).state, u"stopped");
    EXPECT_TRUE(world.queue().job(noRclone).reason.startsWith(u"rclone could not be started"))
        << qPrintable(world.queue().job(noRclone).reason);
    // With rclone there again, the next job to the remote takes it along.
    const QString next = world.queueJob(u"dav"_s, u"Next"_s, {photo});
    ASSERT_TRUE(world.runUploader(120000));
    EXPECT_EQ(world.queue().job(noRclone).state, u"ended");
    EXPECT_EQ(states(world.queue().photos(next)), QStringList{u"sent"_s});

    QDirIterator files(world.env.path(u"data"_s), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QByteArray bytes = readBytes(files.next());
        EXPECT_FALSE(bytes.contains("PW-SECRET-1") || bytes.contains("BT-SECRET-2"))
            << qPrintable(files.filePath());
    }
}

#include "ExportTestSupport.h"

#include "photoset/ZipExport.h"
#include "support/ProgramRun.h"
#include "support/TaggedPhoto.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

ProgramRun flazzCliZip(const QStringList &args)
{
    return runProgram(QStringLiteral(FLAZZ_CLI), QStringList{QStringLiteral("zip")} + args);
}

} // namespace

TEST(FlazzCliZip, PacksTheSetLikeTheButtonAndPrintsTheArchive)
{
    TestEnvironment env; // the default folder lands on the private desktop
    env.writeFile(QStringLiteral("in/a/wide.jpg"), pictureBytes(1200, 600, "jpeg"));
    env.writeFile(QStringLiteral("in/b/wide.jpg"), pictureBytes(500, 400, "jpeg"));
    env.writeFile(QStringLiteral("in/b/copy.jpg"), pictureBytes(500, 400, "jpeg")); // a duplicate: left out

    ProgramRun run =
        flazzCliZip({QStringLiteral("--size"), QStringLiteral("800"), env.path(QStringLiteral("in"))});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(QFileInfo(run.lastLine()).path(), ZipFolder());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Flazz -\\d\\d[A-Z][a-z]{2}\\d{4}-\\d{6}\\.zip$"))
                    .match(QFileInfo(run.lastLine()).fileName())
                    .hasMatch());
    bool ok = false;
    const auto entries = readZip(run.lastLine(), &ok, false);
    ASSERT_TRUE(ok);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(sizeOf(entries[0].data), QSize(800, 400));

    run = flazzCliZip({QStringLiteral("--out=") + env.path(QStringLiteral("elsewhere")),
                       QStringLiteral("--size=0"), env.path(QStringLiteral("in/a/wide.jpg"))});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(QFileInfo(run.lastLine()).path(), env.path(QStringLiteral("elsewhere")));

    EXPECT_EQ(flazzCliZip({QStringLiteral("--size"), QStringLiteral("640"), env.path(QStringLiteral("in"))})
                  .exitCode,
              2);
    EXPECT_EQ(flazzCliZip({env.path(QStringLiteral("nothing-here"))}).exitCode, 1);
}

// The command adds photos the way the window does, so the copies it makes
// while adding carry the metadata the command asked for.
TEST(FlazzCliZip, KeepMetadataSendsEverythingForThisCommandOnly)
{
    TestEnvironment env;
    const QString photo = env.writeFile(QStringLiteral("in/harbour.jpg"), tagged::jpeg(QSize(1600, 1200)));
    const auto gpsInEntry = [&](const QStringList &extra) {
        const ProgramRun run =
            flazzCliZip(extra + QStringList{QStringLiteral("--size"), QStringLiteral("800"),
                                            QStringLiteral("--out"), env.path(QStringLiteral("out")), photo});
        const auto entries = readZip(run.lastLine());
        EXPECT_EQ(entries.size(), 1u);
        return !entries.empty() &&
               tagged::readBack(entries[0].data).contains(QStringLiteral("Exif.GPSInfo.GPSLatitude"));
    };
    EXPECT_FALSE(gpsInEntry({}));
    EXPECT_TRUE(gpsInEntry({QStringLiteral("--keep-metadata")}));
}

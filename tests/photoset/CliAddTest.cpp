#include "imaging/TestImages.h"
#include "support/ProgramRun.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using testimages::encoded;

namespace {

ProgramRun flazzCli(const QStringList &args)
{
    return runProgram(QStringLiteral(FLAZZ_CLI), args);
}

TEST(FlazzCliAdd, PrintsOneVerdictPerFileInOrderAndExitsByWhatWasAdded)
{
    TestEnvironment env; // keeps the tool's data folder private too
    const QString first = env.writeFile(QStringLiteral("in/first.jpg"), encoded("png", QSize(8, 8), 1));
    env.writeFile(QStringLiteral("in/folder/a.bmp"), encoded("bmp", QSize(8, 8), 2));
    env.writeFile(QStringLiteral("in/folder/b.png"), encoded("png", QSize(8, 8), 1));
    const QString tiff = env.writeFile(QStringLiteral("in/scan.jpg"), encoded("tiff", QSize(8, 8), 3));

    const ProgramRun run =
        flazzCli({QStringLiteral("add"), first, env.path(QStringLiteral("in/folder")), tiff});
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.lines.size(), 4);
    EXPECT_TRUE(run.lines.at(0).startsWith(QStringLiteral("added\t"))) << run.lines.at(0).toStdString();
    EXPECT_EQ(run.lines.at(0).split(QLatin1Char('\t')).value(1).size(), 32);
    EXPECT_EQ(run.lines.at(0).split(QLatin1Char('\t')).value(2), first);
    EXPECT_TRUE(run.lines.at(1).startsWith(QStringLiteral("added\t")));
    EXPECT_TRUE(run.lines.at(1).endsWith(QStringLiteral("/in/folder/a.bmp")));
    EXPECT_EQ(run.lines.at(2),
              QStringLiteral("refused\tduplicate\t") + env.path(QStringLiteral("in/folder/b.png")));
    EXPECT_EQ(run.lines.at(3), QStringLiteral("refused\tunsupported type\t") + tiff);

    const ProgramRun none = flazzCli({QStringLiteral("add"), tiff});
    EXPECT_EQ(none.exitCode, 1);

    // A panorama is whole, only too big: it is not called damaged.
    const QString panorama = env.writeFile(QStringLiteral("in/pano.png"), testimages::blackPng(20000, 20000));
    const ProgramRun big = flazzCli({QStringLiteral("add"), panorama});
    EXPECT_EQ(big.lastLine(), QStringLiteral("refused\ttoo large (over 32 megapixels)\t") + panorama);
    EXPECT_EQ(flazzCli({QStringLiteral("add")}).exitCode, 2);
    EXPECT_EQ(flazzCli({QStringLiteral("add"), QStringLiteral("--bogus")}).exitCode, 2);
    EXPECT_EQ(flazzCli({QStringLiteral("nonsense")}).exitCode, 2);
    EXPECT_EQ(flazzCli({QStringLiteral("add"), QStringLiteral("--help")}).exitCode, 0);

    // A name with tabs and line breaks cannot forge a line.
    const QString evil =
        env.writeFile(QStringLiteral("in/evil\nsent\tFAKE-ID\tfake\\.jpg"), encoded("png", QSize(8, 8), 4));
    const ProgramRun forged = flazzCli({QStringLiteral("add"), evil});
    ASSERT_EQ(forged.lines.size(), 1);
    EXPECT_EQ(forged.lines.at(0).section(QLatin1Char('\t'), 2),
              env.path(QStringLiteral("in/evil\\nsent\\tFAKE-ID\\tfake\\\\.jpg")));
}

} // namespace

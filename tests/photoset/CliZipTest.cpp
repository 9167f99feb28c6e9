#include "ExportTestSupport.h"

#include "photoset/ZipExport.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct ZipRun
{
    int exitCode = -1;
    QString lastLine;
};

ZipRun flazzCliZip(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(FLAZZ_CLI), QStringList{QStringLiteral("zip")} + args);
    EXPECT_TRUE(process.waitForFinished(60000));
    ZipRun run;
    run.exitCode = process.exitCode();
    const QStringList lines =
        QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.lastLine = lines.isEmpty() ? QString() : lines.last();
    return run;
}

} // namespace

TEST(FlazzCliZip, PacksTheSetLikeTheButtonAndPrintsTheArchive)
{
    TestEnvironment env; // the default folder lands on the private desktop
    env.writeFile(QStringLiteral("in/a/wide.jpg"), pictureBytes(1200, 600, "jpeg"));
    env.writeFile(QStringLiteral("in/b/wide.jpg"), pictureBytes(500, 400, "jpeg"));
    env.writeFile(QStringLiteral("in/b/copy.jpg"), pictureBytes(500, 400, "jpeg")); // a duplicate: left out

    ZipRun run =
        flazzCliZip({QStringLiteral("--size"), QStringLiteral("800"), env.path(QStringLiteral("in"))});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(QFileInfo(run.lastLine).path(), ZipFolder());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Flazz -\\d\\d[A-Z][a-z]{2}\\d{4}-\\d{6}\\.zip$"))
                    .match(QFileInfo(run.lastLine).fileName())
                    .hasMatch());
    bool ok = false;
    const auto entries = readZip(run.lastLine, &ok, false);
    ASSERT_TRUE(ok);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(sizeOf(entries[0].data), QSize(800, 400));

    run = flazzCliZip({QStringLiteral("--out=") + env.path(QStringLiteral("elsewhere")),
                       QStringLiteral("--size=0"), env.path(QStringLiteral("in/a/wide.jpg"))});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(QFileInfo(run.lastLine).path(), env.path(QStringLiteral("elsewhere")));

    EXPECT_EQ(flazzCliZip({QStringLiteral("--size"), QStringLiteral("640"), env.path(QStringLiteral("in"))})
                  .exitCode,
              2);
    EXPECT_EQ(flazzCliZip({env.path(QStringLiteral("nothing-here"))}).exitCode, 1);
}

// flazz-cli send --dry-run as a script reads it, against what the photo set
// really makes of the same photos (Zip runs the same preparation).

#include "ExportTestSupport.h"

#include "support/ProgramRun.h"
#include "support/TaggedPhoto.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QHash>

#include <gtest/gtest.h>

namespace {

ProgramRun flazzCli(const QStringList &args)
{
    return runProgram(QStringLiteral(FLAZZ_CLI), args);
}

} // namespace

TEST(FlazzCliDryRun, EstimatesMatchTheRealOutputs)
{
    TestEnvironment env;
    const QStringList photos{
        env.writeFile(QStringLiteral("in/camera.jpg"), tagged::jpeg(QSize(2400, 1600), 6)),
        env.writeFile(QStringLiteral("in/small.jpg"), tagged::jpeg(QSize(700, 500))), // fits: goes as it is
        env.writeFile(QStringLiteral("in/plain.jpg"), pictureBytes(1000, 700, "jpeg")),
    };
    const QString notes = env.writeFile(QStringLiteral("in/notes.txt"), "not a photo");

    for (const QString &size : {QStringLiteral("800"), QStringLiteral("1600")}) {
        const ProgramRun dry =
            flazzCli(QStringList{QStringLiteral("send"), QStringLiteral("skydrive"),
                                 QStringLiteral("--dry-run"), QStringLiteral("--size"), size} +
                     photos + QStringList{notes});
        EXPECT_EQ(dry.exitCode, 1) << "a refused file fails the send it stands for";
        ASSERT_EQ(dry.lines.size(), 4);
        EXPECT_EQ(dry.lines[0], u"refused\textension\t" + notes);

        const ProgramRun zip = flazzCli(QStringList{QStringLiteral("zip"), QStringLiteral("--size"), size,
                                                    QStringLiteral("--out"), env.path(u"out" + size)} +
                                        photos);
        ASSERT_EQ(zip.exitCode, 0);
        QHash<QString, QByteArray> made;
        for (const ZipEntry &entry : readZip(zip.lastLine()))
            made.insert(entry.name, entry.data);
        for (const QString &line : dry.lines.mid(1)) {
            const QStringList f = line.split(u'\t');
            ASSERT_EQ(f.size(), 5) << qPrintable(line);
            EXPECT_EQ(f[0], u"estimate");
            const QByteArray real = made.value(QFileInfo(f[4]).fileName());
            ASSERT_FALSE(real.isEmpty()) << qPrintable(f[4]);
            EXPECT_NEAR(f[1].toDouble(), double(real.size()), 0.1 * double(real.size())) << qPrintable(line);
            const QSize out = imageOf(real, true).size();
            EXPECT_EQ(f[2], QStringLiteral("%1x%2").arg(out.width()).arg(out.height()));
            EXPECT_EQ(f[3],
                      f[4].endsWith(u"plain.jpg") ? u"-" : u"gps,serial,owner,makernote,thumbnail,location")
                << qPrintable(line);
        }
    }
}

// A file over Facebook's 4 MB is named with the limit and fails the run;
// a service without that limit, or a remote, takes it.
TEST(FlazzCliDryRun, LimitsAreTheServicesOwn)
{
    TestEnvironment env;
    // Uncompressed, so the file is as large as its pixels make it.
    const QString big = env.writeFile(QStringLiteral("big.bmp"), pictureBytes(1200, 1200, "bmp"));
    const qint64 bytes = QFileInfo(big).size();
    ASSERT_GT(bytes, 4 * 1024 * 1024);
    const auto dryRun = [&](const QString &service, const QString &size) {
        return flazzCli({QStringLiteral("send"), service, QStringLiteral("--dry-run"),
                         QStringLiteral("--size"), size, QStringLiteral("--keep-metadata"), big});
    };

    const ProgramRun facebook = dryRun(QStringLiteral("facebook"), QStringLiteral("0"));
    EXPECT_EQ(facebook.exitCode, 1);
    EXPECT_EQ(
        facebook.lines,
        QStringList({QStringLiteral("estimate\t%1\t1200x1200\t-\t%2").arg(bytes).arg(big),
                     QStringLiteral("limit\tfacebook\tfile size\t4194304\t%1\t%2").arg(bytes).arg(big)}));
    EXPECT_EQ(dryRun(QStringLiteral("facebook"), QStringLiteral("800")).exitCode, 0);
    EXPECT_EQ(dryRun(QStringLiteral("dropbox"), QStringLiteral("0")).exitCode, 0);
    const ProgramRun remote = dryRun(QStringLiteral("rclone:Holiday"), QStringLiteral("0"));
    EXPECT_EQ(remote.exitCode, 0);
    EXPECT_EQ(remote.lines.size(), 1);
}

#include "ExportTestSupport.h"

#include "photoset/PrepareImage.h"
#include "photoset/ZipArchiveWriter.h"
#include "photoset/ZipExport.h"
#include "platform/ShellFolders.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <gtest/gtest.h>
#include <zip.h>

namespace {

struct ZipWorld : FlowWorld<ZipExport>
{
    QString folder() const { return ZipFolder(); }
};

} // namespace

TEST(ArchiveName, DayMonthYearAndTimeWithEnglishMonths)
{
    EXPECT_EQ(ArchiveName(kFlowTime), QStringLiteral("Flazz -04Dec2026-153012.zip"));
    EXPECT_EQ(ArchiveName(QDateTime(QDate(2027, 1, 9), QTime(7, 5, 3))),
              QStringLiteral("Flazz -09Jan2027-070503.zip"));

    // The user's language does not leak into the name.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ArchiveName(QDateTime(QDate(2026, 5, 1), QTime(0, 0, 0))),
              QStringLiteral("Flazz -01May2026-000000.zip"));
    EXPECT_EQ(ArchiveName(QDateTime(QDate(2026, 3, 31), QTime(23, 59, 59))),
              QStringLiteral("Flazz -31Mar2026-235959.zip"));
    QLocale::setDefault(before);
}

TEST(ZipExport, PacksEveryPhotoInOrderIntoTheDatedArchiveAndOpensTheFolder)
{
    ZipWorld w;
    w.state().UploadSize = 800;
    w.add(QStringLiteral("a/holiday.jpg"), pictureBytes(1600, 1200, "jpeg"));
    const QString small = w.add(QStringLiteral("b/holiday.jpg"), pictureBytes(300, 200, "jpeg"));
    const QString bmp = w.add(QStringLiteral("b/scan.bmp"), pictureBytes(1000, 1000, "bmp"));

    w.flow.run();

    const QString archive = w.folder() + QStringLiteral("/Flazz -04Dec2026-153012.zip");
    EXPECT_EQ(w.flow.lastArchive(), archive);
    bool ok = false;
    EXPECT_TRUE(readZip(archive, &ok, true).empty()) << "duplicate names were expected";
    const auto entries = readZip(archive, &ok, false);
    ASSERT_TRUE(ok);
    ASSERT_EQ(entries.size(), 3u);
    // Same names from different folders stay two entries.
    EXPECT_EQ(entries[0].name, QStringLiteral("holiday.jpg"));
    EXPECT_EQ(entries[1].name, QStringLiteral("holiday.jpg"));
    EXPECT_EQ(entries[2].name, QStringLiteral("scan.bmp"));
    EXPECT_EQ(sizeOf(entries[0].data), QSize(800, 600));
    QFile smallFile(small);
    ASSERT_TRUE(smallFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(entries[1].data, smallFile.readAll()); // fits already: untouched
    EXPECT_EQ(entries[2].data, PrepareImage(bmp, 800));
    EXPECT_EQ(sizeOf(entries[2].data), QSize(800, 800));
    // Compressed formats are stored, bitmaps deflated.
    EXPECT_EQ(entries[0].method, ZIP_CM_STORE);
    EXPECT_EQ(entries[2].method, ZIP_CM_DEFLATE);
    EXPECT_EQ(filesIn(w.folder()), QStringList{QStringLiteral("Flazz -04Dec2026-153012.zip")});

    EXPECT_EQ(w.shell.opened, QList<QString>{w.folder() + QLatin1Char('/')});
    EXPECT_EQ(w.prompt.callsOf(QStringLiteral("done")).size(), 1);
    EXPECT_EQ(w.window.descriptionsApplied, 1);
    EXPECT_EQ(w.window.maximum, 3);
    EXPECT_EQ(w.window.value, 3);
    EXPECT_EQ(w.window.updateCaptions, QStringList{QStringLiteral("Zip")});
    EXPECT_EQ(w.window.pbrCaptions, QStringList{QStringLiteral("Please wait...")});
    EXPECT_EQ(w.window.panelHistory, (std::vector<bool>{true, false}));
    EXPECT_TRUE(w.window.enabledAtEnd());
}

TEST(ZipExport, OriginalSizeKeepsTheOriginalBytesAndASecondRunReplacesTheArchive)
{
    ZipWorld w;
    w.state().UploadSize = 0;
    const QByteArray photo = pictureBytes(2400, 1600, "jpeg");
    w.add(QStringLiteral("p/big.jpg"), photo);
    w.flow.run();
    w.flow.run(); // the same second: the same name, written again whole
    const auto entries = readZip(w.flow.lastArchive());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].data, photo);
    EXPECT_EQ(filesIn(w.folder()).size(), 1);
}

TEST(ZipExport, EmptySetShowsTheCatalogMessageOnly)
{
    ZipWorld w;
    w.flow.run();
    ASSERT_EQ(w.prompt.callsOf(QStringLiteral("message")).size(), 1);
    EXPECT_TRUE(w.prompt.calls[0].text.startsWith(QStringLiteral("Add one or more Photos")));
    EXPECT_FALSE(QDir(w.folder()).exists());
    EXPECT_TRUE(w.shell.opened.isEmpty());
}

TEST(ZipExport, CancelLeavesNoArchiveBehind)
{
    ZipWorld w;
    w.state().UploadSize = 1024;
    for (int i = 0; i < 6; ++i)
        w.add(QStringLiteral("c/%1.png").arg(i), pictureBytes(1500 + i, 1200, "png"));
    w.window.cancelAtValue = 2;
    w.flow.run();
    EXPECT_TRUE(w.flow.lastArchive().isEmpty());
    EXPECT_TRUE(filesIn(w.folder()).isEmpty());
    EXPECT_TRUE(w.prompt.callsOf(QStringLiteral("done")).isEmpty());
    EXPECT_TRUE(w.shell.opened.isEmpty());
    EXPECT_EQ(w.window.panelHistory.back(), false);
    EXPECT_TRUE(w.window.enabledAtEnd());
}

TEST(ZipExport, FailedWriteLeavesNothingUnderTheFinalName)
{
    ZipWorld w;
    w.state().UploadSize = 800;
    w.add(QStringLiteral("d/one.jpg"), pictureBytes(900, 900, "jpeg"));
    const QString gone = w.add(QStringLiteral("d/two.jpg"), pictureBytes(901, 900, "jpeg"));
    w.add(QStringLiteral("d/three.jpg"), pictureBytes(902, 900, "jpeg"));
    QFile::remove(gone);
    w.flow.run();
    EXPECT_TRUE(w.flow.lastArchive().isEmpty());
    EXPECT_TRUE(filesIn(w.folder()).isEmpty()); // neither the archive nor a temporary file
    // As with a good run, the folder opens and the note shows.
    EXPECT_EQ(w.prompt.callsOf(QStringLiteral("done")).size(), 1);
}

TEST(ZipArchiveWriter, ManyPhotosOnFewThreadsLandInSetOrder)
{
    TestEnvironment env;
    QStringList paths;
    for (int i = 0; i < 17; ++i) {
        // Sizes vary so that workers finish out of order.
        const int side = (i % 3 == 0) ? 2200 : 500 + i;
        paths << env.writeFile(QStringLiteral("m/%1.jpg").arg(i, 2, 10, QLatin1Char('0')),
                               pictureBytes(side, side / 2, "jpeg"));
    }
    ZipArchiveWriter writer(1024, 2);
    std::vector<int> steps;
    ZipArchiveWriter::Hooks hooks;
    hooks.progress = [&steps](int written, int total) {
        EXPECT_EQ(total, 17);
        steps.push_back(written);
    };
    const QString archive = env.path(QStringLiteral("out.zip"));
    ASSERT_EQ(writer.write(archive, paths, hooks), ZipArchiveWriter::Outcome::Written);
    const auto entries = readZip(archive);
    ASSERT_EQ(entries.size(), 17u);
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(entries[size_t(i)].name, QStringLiteral("%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        EXPECT_EQ(entries[size_t(i)].data, PrepareImage(paths[i], 1024));
        EXPECT_EQ(steps[size_t(i)], i + 1);
    }

    // A folder that cannot be written to fails cleanly.
    EXPECT_EQ(writer.write(env.path(QStringLiteral("no/such/folder/out.zip")), paths),
              ZipArchiveWriter::Outcome::Failed);
    EXPECT_FALSE(writer.errorString().isEmpty());
}

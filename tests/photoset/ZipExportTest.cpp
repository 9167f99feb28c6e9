#include "ExportTestSupport.h"

#include "photoset/PrepareImage.h"
#include "photoset/ZipArchiveWriter.h"
#include "photoset/ZipExport.h"
#include "platform/ShellFolders.h"

#include "imaging/TestImages.h"

#include "support/TaggedPhoto.h"
#include "support/TestText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <gtest/gtest.h>
#include <zip.h>

namespace {

struct ZipWorld : FlowWorld<ZipExport>
{
    QString folder() const { return ZipFolder(); }
};

} // namespace

TEST(ArchiveName, DayMonthYearAndTimeWithEnglishMonthsWhateverTheUsersLanguage)
{
    EXPECT_EQ(ArchiveName(kFlowTime), QStringLiteral("Flazz -04Dec2026-153012.zip"));
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ArchiveName(QDateTime(QDate(2026, 5, 1), QTime(7, 5, 3))),
              QStringLiteral("Flazz -01May2026-070503.zip"));
    QLocale::setDefault(before);
}

// Photos gone or moved since they were added are left out by name and the
// rest is still written.
TEST(ZipExport, PacksEveryPhotoInOrderIntoTheDatedArchiveAndOpensTheFolder)
{
    ZipWorld w;
    w.state().UploadSize = 800;
    w.add(QStringLiteral("a/holiday.jpg"), pictureBytes(1600, 1200, "jpeg"));
    const QString gone = w.add(QStringLiteral("d/two.jpg"), pictureBytes(901, 900, "jpeg"));
    const QString small = w.add(QStringLiteral("b/holiday.jpg"), pictureBytes(300, 200, "jpeg"));
    const QString moved = w.add(QStringLiteral("d/three.png"), pictureBytes(902, 900, "png"));
    const QString bmp = w.add(QStringLiteral("b/scan.bmp"), pictureBytes(1000, 1000, "bmp"));
    QFile::remove(gone);
    ASSERT_TRUE(QFile::rename(moved, w.env.path(QStringLiteral("elsewhere.png"))));

    // The meter is gone before the closing note comes.
    std::vector<bool> panelAtNote;
    w.prompt.onShow = [&](const ScriptedUserPrompt::Call &call) {
        if (call.kind == u"done")
            panelAtNote = w.window.panelHistory;
    };
    w.flow.run();

    const QString archive = w.folder() + QStringLiteral("/Flazz -04Dec2026-153012.zip");
    EXPECT_EQ(w.flow.lastArchive(), archive);
    bool ok = false;
    EXPECT_TRUE(readZip(archive, &ok, true).empty()) << "duplicate names were expected";
    const auto entries = readZip(archive, &ok, false);
    ASSERT_TRUE(ok);
    QStringList names;
    for (const ZipEntry &entry : entries)
        names << entry.name;
    // Same names from different folders stay two entries.
    ASSERT_EQ(names, (QStringList{QStringLiteral("holiday.jpg"), QStringLiteral("holiday.jpg"),
                                  QStringLiteral("scan.bmp")}));
    EXPECT_EQ(sizeOf(entries[0].data), QSize(800, 600));
    EXPECT_EQ(entries[1].data, readBytes(small)); // fits already: untouched
    EXPECT_EQ(entries[2].data, PrepareImage(bmp, 800));
    // Compressed formats are stored, bitmaps deflated.
    EXPECT_EQ(entries[0].method, ZIP_CM_STORE);
    EXPECT_EQ(entries[2].method, ZIP_CM_DEFLATE);
    EXPECT_EQ(filesIn(w.folder()), QStringList{QStringLiteral("Flazz -04Dec2026-153012.zip")});

    const auto told = w.prompt.callsOf(QStringLiteral("message"));
    ASSERT_EQ(told.size(), 1);
    EXPECT_EQ(told[0].text, ArchiveFlow::LeftOutMessage + QStringLiteral("\n\ntwo.jpg\nthree.png"));

    // "Done!" says where the archive is, and opens its folder again on request.
    EXPECT_EQ(w.shell.opened, QList<QString>{w.folder() + QLatin1Char('/')});
    const auto done = w.prompt.callsOf(QStringLiteral("done"));
    ASSERT_EQ(done.size(), 1);
    EXPECT_EQ(done.at(0).title, QStringLiteral("Saved as \"Flazz -04Dec2026-153012.zip\"\nin ") +
                                    QDir::toNativeSeparators(w.folder()));
    EXPECT_EQ(panelAtNote, (std::vector<bool>{true, false}));
    ASSERT_TRUE(w.prompt.lastOpenFolder);
    w.prompt.lastOpenFolder();
    EXPECT_EQ(w.shell.opened.size(), 2);
    EXPECT_EQ(w.window.descriptionsApplied, 1);
    EXPECT_EQ(w.window.value, w.window.maximum);
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

// Entries leave by the metadata rule, scaled or not (what each rule keeps is
// the metadata tests' part); the Settings switch keeps everything.
TEST(ZipExport, EntriesLoseTheSecretsUnlessTheUserKeepsThemAll)
{
    const QByteArray photo = tagged::jpeg(QSize(1200, 800), 6);
    const auto entryAt = [&](int uploadSize, bool keepMetadata) {
        ZipWorld w;
        w.state().UploadSize = uploadSize;
        w.state().KeepMetadata = keepMetadata;
        w.add(QStringLiteral("p/harbour.jpg"), photo);
        w.flow.run();
        const auto entries = readZip(w.flow.lastArchive());
        return entries.size() == 1 ? tagged::readBack(entries[0].data) : QMap<QString, QString>();
    };
    const QString gps = QStringLiteral("Exif.GPSInfo.GPSLatitude");
    const QString date = QStringLiteral("Exif.Photo.DateTimeOriginal");
    for (const int size : {800, 0}) {
        const QMap<QString, QString> withheld = entryAt(size, false);
        EXPECT_TRUE(withheld.contains(date) && !withheld.contains(gps)) << size;
        EXPECT_TRUE(entryAt(size, true).contains(gps)) << size;
    }
}

TEST(ZipExport, AnEmptySetOrACancelLeavesNoArchiveBehind)
{
    ZipWorld w;
    w.flow.run();
    ASSERT_EQ(w.prompt.callsOf(QStringLiteral("message")).size(), 1);
    EXPECT_TRUE(w.prompt.calls[0].text.startsWith(QStringLiteral("Add one or more Photos")));
    EXPECT_FALSE(QDir(w.folder()).exists());

    w.state().UploadSize = 1024;
    for (int i = 0; i < 6; ++i)
        w.add(QStringLiteral("c/%1.png").arg(i), pictureBytes(1500 + i, 1200, "png"));
    w.window.cancelAtValue = 2;
    w.flow.run();
    EXPECT_TRUE(filesIn(w.folder()).isEmpty());
    EXPECT_TRUE(w.prompt.callsOf(QStringLiteral("done")).isEmpty());
    EXPECT_EQ(w.window.panelHistory.back(), false);
    EXPECT_TRUE(w.window.enabledAtEnd());
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

TEST(ZipArchiveWriter, AnArchivePastFourGigabytesTakesTheZip64FormAndReadsBack)
{
    TestEnvironment env;
    // A real PNG that carries a 64 MiB private chunk: at the original size it
    // is stored as it is, so 68 of them pass the 4 GiB mark.
    QByteArray png = pictureBytes(64, 48, "png");
    png.insert(png.size() - 12, testimages::pngChunk("flZz", QByteArray(qsizetype(64) << 20, 'x')));
    const QString photo = env.writeFile(QStringLiteral("big.png"), png);
    const QStringList photos(68, photo);

    const QString archive = env.path(QStringLiteral("big.zip"));
    ZipArchiveWriter writer(0, 2);
    ASSERT_EQ(writer.write(archive, photos), ZipArchiveWriter::Outcome::Written)
        << qPrintable(writer.errorString());
    EXPECT_GT(QFileInfo(archive).size(), qint64(4) << 30);

    // The last entry starts past 4 GiB: only the zip64 fields can say where.
    bool ok = false;
    const auto last = readZip(archive, &ok, false, 67); // 68 entries of one name: no strict check
    ASSERT_TRUE(ok && last.size() == 1u);
    EXPECT_TRUE(last[0].data == png); // the CRC is checked too
    QFile::remove(archive);
}

#include "photoset/PhotoAdder.h"

#include "core/MessageCatalog.h"
#include "imaging/TestImages.h"
#include "photoset/AddProgress.h"
#include "photoset/CancelToken.h"
#include "photoset/PathRoutines.h"
#include "photoset/PrepareImage.h"
#include "platform/ShellFolders.h"
#include "support/PhotoSetWorld.h"
#include "support/ScriptedUserPrompt.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

using testimages::encoded;

// Readable failures for paths and lists of paths.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << text.toStdString();
}

namespace {

class RecordingProgress : public AddProgress
{
public:
    int opened = 0;
    int closed = 0;
    QStringList names;
    QList<PhotoCheck> verdicts;
    std::function<void(int lookedAt)> onLookedAt;

    void open() override { ++opened; }
    void close() override { ++closed; }
    void fileLookedAt(const QString &fileName) override
    {
        names << fileName;
        if (onLookedAt)
            onLookedAt(int(names.size()));
    }
    void processEvents() override {}
    void fileDone(const PhotoCheck &check) override { verdicts << check; }

    QList<AddRefusal> refusals() const
    {
        QList<AddRefusal> out;
        for (const PhotoCheck &check : verdicts)
            out << check.refusal;
        return out;
    }
};

class PhotoAdderTest : public ::testing::Test, protected PhotoSetWorld
{
protected:
    // Tiny, all different unless the seed repeats.
    QString photo(const QString &relative, quint32 seed, const char *format = "png", QSize size = QSize(6, 4))
    {
        return env.writeFile(QStringLiteral("photos/") + relative, encoded(format, size, seed));
    }

    QStringList photos(const QString &prefix, int count, quint32 firstSeed)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i)
            paths << photo(QStringLiteral("%1%2.png").arg(prefix).arg(i, 3, 10, QLatin1Char('0')),
                           firstSeed + quint32(i));
        return paths;
    }

    int messages385() const
    {
        int n = 0;
        for (const auto &call : ui.callsOf(QStringLiteral("message")))
            n += call.text == catalogText(MessageNo::FolderOrFileProblem) ? 1 : 0;
        return n;
    }

    ScriptedUserPrompt ui{&env.state()};
    RecordingProgress progress;
    CancelToken cancel;
    PhotoAdder adder{env.state(), ui, progress, &cancel};
};

TEST_F(PhotoAdderTest, MoreThanAHundredSelectedAddsNothing)
{
    QStringList selected;
    for (int i = 0; i < 101; ++i)
        selected << env.path(QStringLiteral("photos/%1.jpg").arg(i));
    const PhotoAdder::Summary summary = adder.AddSelected(selected, QString());

    EXPECT_EQ(summary.added, 0);
    EXPECT_EQ(tray.Count(), 0);
    EXPECT_EQ(progress.opened, 0);
    const auto shown = ui.callsOf(QStringLiteral("message"));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.at(0).text, u"You cannot flazz more than 100 photos at a time.");
    EXPECT_TRUE(shown.at(0).modalFlagWhileShown);
    EXPECT_FALSE(state().ModalFormOpen);
}

TEST_F(PhotoAdderTest, SixtySelectedOntoFiftyAddsFiftyAndLooksAtAllThenADropStopsAtOnce)
{
    for (const QString &path : photos(QStringLiteral("held/"), 50, 1000))
        ASSERT_TRUE(tray.AddPhoto(path, QString(), QString()));
    const QStringList selected = photos(QStringLiteral("new/"), 60, 2000);

    const PhotoAdder::Summary summary = adder.AddSelected(selected, QStringLiteral("holiday"));

    EXPECT_EQ(summary.added, 50);
    EXPECT_EQ(summary.lookedAt, 60);
    EXPECT_TRUE(summary.full);
    EXPECT_EQ(trayPaths().mid(50), selected.mid(0, 50));
    EXPECT_EQ(tray.PhotoInfo(99, PhotoField::Remarks), u"holiday");
    EXPECT_EQ(progress.refusals().mid(50), QList<AddRefusal>(10, AddRefusal::Limit));
    EXPECT_EQ(progress.names.first(), JustFileName(selected.first()));
    EXPECT_EQ(progress.opened, 1);
    EXPECT_EQ(progress.closed, 1);

    // Onto the full set a drop stops at its first file.
    progress.verdicts.clear();
    const PhotoAdder::Summary more = adder.AddDropped(photos(QStringLiteral("more/"), 2, 3000), QString());
    EXPECT_TRUE(more.full);
    EXPECT_EQ(more.lookedAt, 1);
    EXPECT_EQ(progress.refusals(), QList<AddRefusal>{AddRefusal::Limit});
}

TEST_F(PhotoAdderTest, AFolderTreeIsSearchedDepthFirstByNameAndStopsAtAHundred)
{
    // Names sort as a/, B.png, c/: the file between the folders comes between
    // their photos.
    const QStringList inA = photos(QStringLiteral("tree/a/"), 60, 1);
    env.writeFile(QStringLiteral("photos/tree/a/notes.txt"), "not looked at");
    const QString b = photo(QStringLiteral("tree/B.png"), 100);
    const QStringList inC = photos(QStringLiteral("tree/c/deeper/"), 439, 200);

    const PhotoAdder::Summary summary =
        adder.AddDropped({env.path(QStringLiteral("photos/tree"))}, QStringLiteral("folders get none"));

    EXPECT_TRUE(summary.full);
    EXPECT_EQ(summary.lookedAt, 100);
    EXPECT_EQ(trayPaths(), inA + QStringList{b} + inC.mid(0, 39));
    EXPECT_EQ(tray.PhotoInfo(0, PhotoField::Remarks), u"");
    EXPECT_EQ(progress.opened, 1);
    EXPECT_EQ(progress.closed, 1);
    EXPECT_EQ(messages385(), 0);
}

TEST_F(PhotoAdderTest, LinkedFoldersAreFollowedAndEachRealFolderWalkedOnce)
{
    const QString kept = photo(QStringLiteral("albums/2025/lake.png"), 11);
    const QString other = photo(QStringLiteral("elsewhere/trip/hill.png"), 12);
    const QString root = env.path(QStringLiteral("photos/albums"));
    // A link to an album kept elsewhere, one that points back up (a loop),
    // and a second way into a folder already reached.
    ASSERT_TRUE(
        QFile::link(env.path(QStringLiteral("photos/elsewhere/trip")), root + QStringLiteral("/trip")));
    ASSERT_TRUE(QFile::link(root, root + QStringLiteral("/2025/up")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/2025"), root + QStringLiteral("/again")));

    const PhotoAdder::Summary summary = adder.AddDropped({root}, QString());

    EXPECT_EQ(summary.lookedAt, 2);
    EXPECT_EQ(progress.names, (QStringList{QStringLiteral("lake.png"), QStringLiteral("hill.png")}));
    EXPECT_EQ(QFileInfo(trayPaths().value(0)).canonicalFilePath(), QFileInfo(kept).canonicalFilePath());
    EXPECT_EQ(QFileInfo(trayPaths().value(1)).canonicalFilePath(), QFileInfo(other).canonicalFilePath());
}

TEST_F(PhotoAdderTest, ALargeJpegGetsItsUploadCopyWhileItIsExaminedAndOnlyWhileItStaysTheSame)
{
    state().UploadSize = 800;
    const QString big = photo(QStringLiteral("big.jpg"), 21, "jpg", QSize(2000, 1500));
    const QString small = photo(QStringLiteral("small.jpg"), 22, "jpg", QSize(600, 400));
    const QByteArray whole = encoded("jpg", QSize(2000, 1500), 23);
    const QString cut = env.writeFile(QStringLiteral("photos/cut.jpg"), whole.left(whole.size() * 95 / 100));
    const QString unclosed = env.writeFile(QStringLiteral("photos/unclosed.jpg"), whole.chopped(2));
    adder.AddDropped({big, small, cut, unclosed}, QString());

    // The cut file is still refused; the one only missing its end marker is not.
    EXPECT_EQ(progress.refusals(),
              (QList<AddRefusal>{AddRefusal::None, AddRefusal::None, AddRefusal::Damaged, AddRefusal::None}));
    ASSERT_EQ(tray.Count(), 3);
    const auto story = MetadataRule::StoryOnly;
    EXPECT_EQ(tray.PreparedCopy(0, 800, story), PrepareImage(big, 800, story));
    EXPECT_TRUE(tray.PreparedCopy(0, 1024, story).isEmpty());                   // made for another size
    EXPECT_TRUE(tray.PreparedCopy(0, 800, MetadataRule::Everything).isEmpty()); // ... or another rule
    EXPECT_TRUE(tray.PreparedCopy(1, 800, story).isEmpty());                    // fits already: goes as it is
    EXPECT_TRUE(tray.PreparedCopy(2, 800, story).isEmpty()); // the forgiving road makes its copy later

    // The file changed after it was added: its old copy is not sent.
    env.writeFile(QStringLiteral("photos/big.jpg"), encoded("jpg", QSize(1800, 1200), 24));
    EXPECT_TRUE(tray.PreparedCopy(0, 800, story).isEmpty());
}

TEST_F(PhotoAdderTest, TheSamePhotoTwiceIsAddedAndCountedOnce)
{
    const QString original = photo(QStringLiteral("x.png"), 7);
    const QString copy =
        env.writeFile(QStringLiteral("photos/elsewhere/renamed.jpg"), encoded("png", QSize(6, 4), 7));
    adder.AddDropped({original, copy}, QString());

    EXPECT_EQ(tray.Count(), 1);
    EXPECT_EQ(tray.TotalSize(), QFileInfo(original).size());
    EXPECT_EQ(progress.refusals(), (QList<AddRefusal>{AddRefusal::None, AddRefusal::Duplicate}));
}

TEST_F(PhotoAdderTest, CancelStopsAfterTheCurrentFileAndKeepsWhatWasAdded)
{
    const QStringList dropped = photos(QStringLiteral("many/"), 10, 1);
    progress.onLookedAt = [this](int lookedAt) {
        if (lookedAt == 3)
            cancel.cancel();
    };
    const PhotoAdder::Summary summary = adder.AddDropped(dropped, QString());

    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(trayPaths(), dropped.mid(0, 3));
    EXPECT_EQ(progress.closed, 1);
}

TEST_F(PhotoAdderTest, ParallelExaminationStillCommitsInTheOrderGiven)
{
    adder.setParallelism(4);
    // Slow large JPEGs between quick tiny images: verdicts come back out of
    // order, the set must not. The second copy of the first large photo is
    // the duplicate, not the first.
    QStringList dropped;
    for (quint32 i = 0; i < 12; ++i) {
        if (i % 3 == 0)
            dropped << photo(QStringLiteral("mixed/large%1.jpg").arg(i), i, "jpg", QSize(1600, 1200));
        else
            dropped << photo(QStringLiteral("mixed/tiny%1.png").arg(i), i);
    }
    dropped << env.writeFile(QStringLiteral("photos/mixed/again.jpg"), encoded("jpg", QSize(1600, 1200), 0));
    adder.AddDropped(dropped, QString());

    EXPECT_EQ(trayPaths(), dropped.mid(0, 12));
    EXPECT_EQ(progress.refusals().last(), AddRefusal::Duplicate);
    QStringList names;
    for (const QString &path : dropped)
        names << JustFileName(path);
    EXPECT_EQ(progress.names, names);
}

TEST_F(PhotoAdderTest, DropRulesForOddItems)
{
    // An empty drop does nothing at all.
    adder.AddDropped({}, QString());
    EXPECT_EQ(progress.opened, 0);
    EXPECT_EQ(messages385(), 0);

    // One file that is plainly no photo, onto an empty set: one message, at
    // the end, and nothing looked at.
    const QString text = env.writeFile(QStringLiteral("photos/readme.txt"), "hello");
    adder.AddDropped({text}, QString());
    EXPECT_EQ(messages385(), 1);
    EXPECT_TRUE(progress.names.isEmpty());

    // Among others, the odd ones are skipped and the rest still added: a web
    // address, a vanished file, a browser-cache file (not even looked at), a
    // wrong extension.
    const QString cached =
        platform::shellFolder(platform::ShellFolder::InternetCache) + QStringLiteral("/Content/cat.jpg");
    env.writeFile(QStringLiteral("InternetCache/Content/cat.jpg"), encoded("jpg"));
    ASSERT_TRUE(QFileInfo::exists(cached));
    const QString good1 = photo(QStringLiteral("good1.png"), 1);
    const QString good2 = photo(QStringLiteral("good2.gif"), 2, "gif");
    progress.verdicts.clear();
    adder.AddDropped({QStringLiteral("http://example.com/a.jpg"), good1,
                      env.path(QStringLiteral("photos/gone.jpg")), cached, text, good2},
                     QString());
    EXPECT_EQ(trayPaths(), (QStringList{good1, good2}));
    EXPECT_EQ(progress.refusals(),
              (QList<AddRefusal>{AddRefusal::Unreadable, AddRefusal::None, AddRefusal::Unreadable,
                                 AddRefusal::NotImage, AddRefusal::Extension, AddRefusal::None}));
    EXPECT_EQ(progress.names.size(), 5);
    EXPECT_EQ(messages385(), 1);

    // One odd file onto a set that holds photos: the message at once.
    adder.AddDropped({text}, QString());
    EXPECT_EQ(messages385(), 2);
    EXPECT_EQ(tray.Count(), 2);
}

} // namespace

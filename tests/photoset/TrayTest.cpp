#include "imaging/TestImages.h"
#include "support/PhotoSetWorld.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cmath>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using testimages::encoded;

namespace {

class TrayTest : public ::testing::Test, protected PhotoSetWorld
{
protected:
    QString write(const QString &name, const QByteArray &bytes)
    {
        return env.writeFile(QStringLiteral("photos/") + name, bytes);
    }
};

TEST_F(TrayTest, ContentDecidesWithinTheAcceptedNames)
{
    const QByteArray jpeg = encoded("jpg", QSize(64, 48));
    QByteArray metafile(88, '\0');
    metafile[0] = 1;
    metafile.replace(40, 4, " EMF");
    struct Case
    {
        const char *name;
        QByteArray bytes;
        AddRefusal expected;
    };
    const Case cases[] = {
        {"png-inside.jpg", encoded("png", QSize(24, 16), 1), AddRefusal::None},
        {"jpeg-inside.PNG", encoded("jpg", QSize(24, 16), 2), AddRefusal::None},
        {"plain.jpeg", encoded("jpg", QSize(24, 16), 3), AddRefusal::None},
        {"plain.gif", encoded("gif", QSize(24, 16), 4), AddRefusal::None},
        {"plain.bmp", encoded("bmp", QSize(24, 16), 5), AddRefusal::None},
        {"tiff-inside.jpg", encoded("tiff", QSize(24, 16), 6), AddRefusal::UnsupportedType},
        {"icon-inside.png", encoded("ico", QSize(24, 16), 7), AddRefusal::UnsupportedType},
        {"metafile.jpg", metafile, AddRefusal::UnsupportedType},
        {"empty.jpg", QByteArray(), AddRefusal::NotImage},
        {"words.jpg", QByteArray("not a picture at all"), AddRefusal::NotImage},
        {"cut.jpg", jpeg.left(jpeg.size() / 2), AddRefusal::Damaged},
        {"png-inside.txt", encoded("png", QSize(24, 16), 8), AddRefusal::Extension},
        {"noextension", encoded("png", QSize(24, 16), 9), AddRefusal::Extension},
    };
    QStringList added;
    for (const Case &c : cases) {
        const QString path = write(QLatin1String(c.name), c.bytes);
        EXPECT_EQ(clsTray::CheckPhoto(path, &token).refusal, c.expected) << c.name;
        EXPECT_EQ(tray.AddPhoto(path, QString(), QString()), c.expected == AddRefusal::None) << c.name;
        if (c.expected == AddRefusal::None)
            added << path;
    }
    EXPECT_EQ(trayPaths(), added);
    EXPECT_FALSE(tray.AddPhoto(env.path(QStringLiteral("photos/vanished.jpg")), QString(), QString()));
}

#ifdef Q_OS_UNIX
// Opening a pipe for reading waits for a writer: the set must not hang on
// one that merely has a photo's name.
TEST_F(TrayTest, APipeNamedLikeAPhotoIsRefusedAtOnce)
{
    const QString pipe = env.path(QStringLiteral("pipe.jpg"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(clsTray::CheckPhoto(pipe, &token).refusal, AddRefusal::Unreadable);
    EXPECT_FALSE(tray.AddPhoto(pipe, QString(), QString()));
    EXPECT_EQ(tray.GetMD5Hash(pipe), u"");
}
#endif

// The stretches of a large file, 0-based: [0, 10000), [middle, middle +
// 10000), [L - 10001, L - 1), where the 1-based middle is L/2 - 5000
// rounded half to even. Each case flips one byte and says whether the ID
// must change.
TEST_F(TrayTest, LargeFilesAreIdentifiedByThreeStretches)
{
    for (const qsizetype length :
         {qsizetype(100000), qsizetype(100001), qsizetype(100003), qsizetype(30001)}) {
        QByteArray base(length, Qt::Uninitialized);
        QRandomGenerator rng{quint32(length)};
        for (char &c : base)
            c = char(rng.bounded(256));
        const QString baseId = clsTray::HashOfContent(base);
        const qsizetype middle = qsizetype(std::nearbyint(double(length) / 2 - 5000)) - 1;
        const struct
        {
            qsizetype at;
            bool changes;
        } flips[] = {
            {0, true},
            {9999, true},
            {10000, middle <= 10000},
            {middle - 1, middle - 1 < 10000},
            {middle, true},
            {middle + 9999, true},
            {length - 10001, true},
            {length - 2, true},
            {length - 1, false},
            {middle + 10000, middle + 10000 >= length - 10001},
        };
        for (const auto &flip : flips) {
            QByteArray changed = base;
            changed[flip.at] = char(~changed.at(flip.at));
            EXPECT_EQ(clsTray::HashOfContent(changed) != baseId, flip.changes)
                << "length " << length << " byte " << flip.at;
        }
    }
    // Up to 30000 bytes the whole file counts, the last byte too.
    QByteArray small(30000, 'x');
    const QString smallId = clsTray::HashOfContent(small);
    EXPECT_EQ(smallId, QString::fromLatin1(
                           QCryptographicHash::hash(small, QCryptographicHash::Md5).toHex().toUpper()));
    small[29999] = 'y';
    EXPECT_NE(clsTray::HashOfContent(small), smallId);
}

TEST_F(TrayTest, LargePhotosAlikeInTheStretchesAreDuplicates)
{
    // An uncompressed bitmap stays a valid image whichever pixel byte
    // changes: 200 x 100 pixels make 60054 bytes, the middle stretch starts
    // at 25026.
    const QByteArray bmp = encoded("bmp", QSize(200, 100));
    ASSERT_EQ(bmp.size(), 60054);
    const auto flipped = [&bmp](qsizetype at) {
        QByteArray changed = bmp;
        changed[at] = char(~changed.at(at));
        return changed;
    };
    ASSERT_TRUE(tray.AddPhoto(write(QStringLiteral("large.bmp"), bmp), QString(), QString()));
    EXPECT_FALSE(tray.AddPhoto(write(QStringLiteral("outside.bmp"), flipped(20000)), QString(), QString()));
    EXPECT_TRUE(tray.AddPhoto(write(QStringLiteral("middle.bmp"), flipped(25026)), QString(), QString()));
}

TEST_F(TrayTest, AttributionIsLookedUpByTheId)
{
    const QString first = write(QStringLiteral("first.png"), encoded("png", QSize(8, 8), 1));
    const QString second = write(QStringLiteral("second.png"), encoded("png", QSize(8, 8), 2));
    const QString third = write(QStringLiteral("third.png"), encoded("png", QSize(8, 8), 3));
    const QString firstId = tray.GetMD5Hash(first);
    const QString secondId = tray.GetMD5Hash(second);
    env.writeFile(
        QStringLiteral("CommonAppData/Korvantis/Flazz/Data/Remarks.xml"),
        QStringLiteral("<remarks>\n"
                       "  <image>%1<attribution>Photo by Ann</attribution></image>\n"
                       "  <photo><hash>\n   %2\n  </hash><attribution>Photo by Bo</attribution></photo>\n"
                       "</remarks>\n")
            .arg(firstId, secondId)
            .toUtf8());

    ASSERT_TRUE(tray.AddPhoto(first, QStringLiteral("ignored"), QString()));
    ASSERT_TRUE(tray.AddPhoto(second, QString(), QString()));
    ASSERT_TRUE(tray.AddPhoto(third, QStringLiteral("ignored"), QString()));
    EXPECT_EQ(tray.PhotoInfo(0, PhotoField::Attribution), u"Photo by Ann");
    EXPECT_EQ(tray.PhotoInfo(1, PhotoField::Attribution), u"Photo by Bo");
    EXPECT_EQ(tray.PhotoInfo(2, PhotoField::Attribution), u"");

    // A file that does not load gives no attribution and does not stop adding.
    tray.RemoveAll();
    env.writeFile(QStringLiteral("CommonAppData/Korvantis/Flazz/Data/Remarks.xml"), "<remarks><image>");
    ASSERT_TRUE(tray.AddPhoto(first, QString(), QString()));
    EXPECT_EQ(tray.PhotoInfo(0, PhotoField::Attribution), u"");
}

TEST_F(TrayTest, FieldsByIndexAndNothingWithoutTheImagingLibrary)
{
    const QString a = write(QStringLiteral("a.png"), encoded("png", QSize(8, 8), 1));
    const QString b = write(QStringLiteral("b.png"), encoded("png", QSize(8, 8), 2));
    ASSERT_TRUE(tray.AddPhoto(a, QString(), QStringLiteral("first remark")));
    ASSERT_TRUE(tray.AddPhoto(b, QString(), QString()));

    EXPECT_EQ(tray.PhotoInfo(0, PhotoField::ID), tray.GetMD5Hash(a));
    EXPECT_EQ(tray.PhotoInfo(0, PhotoField::Remarks), u"first remark");
    tray.setPhotoInfo(1, PhotoField::Remarks, QStringLiteral("described later"));
    tray.setPhotoInfo(1, PhotoField::ID, QStringLiteral("NOT-AN-ID"));
    EXPECT_EQ(tray.PhotoInfo(1, PhotoField::Remarks), u"described later");
    EXPECT_EQ(tray.PhotoInfo(1, PhotoField::ID), tray.GetMD5Hash(b));
    EXPECT_EQ(tray.PhotoInfo(2, PhotoField::FilePath), u"");
    EXPECT_EQ(tray.PhotoInfo(-1, PhotoField::FilePath), u"");
    EXPECT_EQ(tray.PhotoInfo(0, 9), u"");

    tray.RemoveAll();
    EXPECT_EQ(tray.Count(), 0);
    EXPECT_TRUE(tray.AddPhoto(a, QString(), QString())); // no longer a duplicate

    // Nothing is added without a started imaging library.
    cGDIpToken unavailable(cGDIpToken::Startup::Unavailable);
    clsTray withoutLibrary(env.state().DataFolder, &unavailable);
    EXPECT_FALSE(withoutLibrary.AddPhoto(a, QString(), QString()));
    EXPECT_EQ(withoutLibrary.Count(), 0);
}

} // namespace

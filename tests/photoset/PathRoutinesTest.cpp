#include "photoset/PathRoutines.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(PathRoutines, JustFileNameTakesWhatFollowsTheLastSeparator)
{
    EXPECT_EQ(JustFileName(QStringLiteral("/home/ann/Pictures/beach.jpg")), u"beach.jpg");
    EXPECT_EQ(JustFileName(QStringLiteral("C:\\Photos\\2012\\dog.PNG")), u"dog.PNG");
    EXPECT_EQ(JustFileName(QStringLiteral("C:\\mixed/sep\\last.gif")), u"last.gif");
    EXPECT_EQ(JustFileName(QStringLiteral("plain.bmp")), u"plain.bmp");
    EXPECT_EQ(JustFileName(QStringLiteral("/folder/")), u"");
    EXPECT_EQ(JustFileName(QString()), u"");
}

TEST(PathRoutines, JustFileExtnTakesFromTheLastDot)
{
    EXPECT_EQ(JustFileExtn(QStringLiteral("a/b/photo.final.JPEG"), true), u".JPEG");
    EXPECT_EQ(JustFileExtn(QStringLiteral("a/b/photo.final.JPEG"), false), u"JPEG");
    EXPECT_EQ(JustFileExtn(QStringLiteral("noextension"), true), u"");
    EXPECT_EQ(JustFileExtn(QStringLiteral("noextension"), false), u"");
    EXPECT_EQ(JustFileExtn(QStringLiteral("trailing."), true), u".");
    EXPECT_EQ(JustFileExtn(QStringLiteral("trailing."), false), u"");
    // The last dot wins even in a folder name: such a path has no photo
    // extension and is refused, which is what we want.
    EXPECT_EQ(JustFileExtn(QStringLiteral("C:\\my.photos\\readme"), true), u".photos\\readme");
}

TEST(PathRoutines, PathExistsByKind)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("photo.jpg"));
    const QString hidden = dir.filePath(QStringLiteral(".hidden.png"));
    for (const QString &path : {file, hidden}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString folder = dir.path();
    const QString missing = dir.filePath(QStringLiteral("missing.jpg"));

    EXPECT_TRUE(PathExists(file, PathKind::File));
    EXPECT_TRUE(PathExists(hidden, PathKind::File));
    EXPECT_FALSE(PathExists(missing, PathKind::File));
    EXPECT_FALSE(PathExists(file + QLatin1Char('/'), PathKind::File));
    EXPECT_FALSE(PathExists(folder + QLatin1Char('\\'), PathKind::File));

    EXPECT_TRUE(PathExists(folder, PathKind::Folder));
    EXPECT_TRUE(PathExists(folder + QLatin1Char('/'), PathKind::Folder));
    EXPECT_FALSE(PathExists(file, PathKind::Folder));
    EXPECT_FALSE(PathExists(missing, PathKind::Folder));

    EXPECT_FALSE(PathExists(QString(), PathKind::File));
    EXPECT_FALSE(PathExists(QString(), 7));
    EXPECT_TRUE(PathExists(missing, 7));
}

} // namespace

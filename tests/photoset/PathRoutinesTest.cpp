#include "photoset/PathRoutines.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(PathRoutines, NameAndExtensionFollowTheLastSeparatorAndTheLastDot)
{
    const struct
    {
        const char *path, *name, *extension;
    } cases[] = {
        {"/home/ann/Pictures/beach.jpg", "beach.jpg", "jpg"},
        {"C:\\mixed/sep\\last.final.GIF", "last.final.GIF", "GIF"},
        {"plain", "plain", ""},
        {"trailing.", "trailing.", ""},
        {"/folder/", "", ""},
        // The last dot wins even in a folder name: such a path has no photo
        // extension and is refused, which is what we want.
        {"C:\\my.photos\\readme", "readme", "photos\\readme"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(JustFileName(QString::fromLatin1(c.path)), QLatin1String(c.name));
        EXPECT_EQ(JustFileExtn(QString::fromLatin1(c.path), false), QLatin1String(c.extension));
    }
    EXPECT_EQ(JustFileExtn(QStringLiteral("a/photo.JPEG"), true), u".JPEG");
    EXPECT_EQ(JustFileExtn(QStringLiteral("trailing."), true), u".");
    EXPECT_EQ(JustFileExtn(QStringLiteral("plain"), true), u"");
}

TEST(PathRoutines, PathExistsByKind)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("photo.jpg"));
    const QString hidden = dir.filePath(QStringLiteral(".hidden.png"));
    for (const QString &path : {file, hidden})
        ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly));
    const QString folder = dir.path();
    const QString missing = dir.filePath(QStringLiteral("missing.jpg"));

    EXPECT_TRUE(PathExists(file, PathKind::File) && PathExists(hidden, PathKind::File));
    for (const QString &notAFile : QStringList{missing, file + u'/', folder + u'\\', QString()})
        EXPECT_FALSE(PathExists(notAFile, PathKind::File)) << qPrintable(notAFile);
    EXPECT_TRUE(PathExists(folder, PathKind::Folder) && PathExists(folder + u'/', PathKind::Folder));
    EXPECT_FALSE(PathExists(file, PathKind::Folder) || PathExists(missing, PathKind::Folder));
    EXPECT_FALSE(PathExists(QString(), 7));
    EXPECT_TRUE(PathExists(missing, 7));
}

} // namespace

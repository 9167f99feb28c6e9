#include "photoset/ui/frmFilesCount.h"

#include "core/AppState.h"
#include "photoset/PhotoCheck.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString shown(const frmFilesCount &window, const char *label)
{
    return window.findChild<QLabel *>(QString::fromLatin1(label))->text();
}

TEST(FilesCount, NamesOfTwentySixCharactersAndMoreAreShortened)
{
    AppState state;
    frmFilesCount window(state);
    const QString name25 = QStringLiteral("abcdefghijklmnopqrstu.jpg");
    const QString name26 = QStringLiteral("abcdefghijklmnopqrstuv.jpg");
    ASSERT_EQ(name25.size(), 25);
    window.setStrFileName(name25);
    EXPECT_EQ(shown(window, "lblFileName"), name25);
    window.setStrFileName(name26);
    EXPECT_EQ(shown(window, "lblFileName"), QStringLiteral("abcdefghijklmnopqrstuv..."));
    // The property keeps the whole name.
    EXPECT_EQ(window.strFileName(), name26);
}

TEST(FilesCount, CountAddsUpFromEmptyAndStartsAgainWhenOpenedAgain)
{
    AppState state;
    frmFilesCount window(state);
    EXPECT_EQ(shown(window, "lblFileCount"), QString());
    window.setIntFileCount(1);
    window.setIntFileCount(3);
    EXPECT_EQ(shown(window, "lblFileCount"), QStringLiteral("4"));
    EXPECT_EQ(window.intFileCount(), 3);

    window.progress().open();
    window.progress().fileLookedAt(QStringLiteral("a.jpg"));
    window.progress().fileLookedAt(QStringLiteral("b.jpg"));
    EXPECT_EQ(shown(window, "lblFileCount"), QStringLiteral("2"));
    EXPECT_EQ(shown(window, "lblFileName"), QStringLiteral("b.jpg"));
    window.progress().close();
    EXPECT_FALSE(window.isVisible());
}

TEST(FilesCount, FilesLeftOutForTheirSizeAreCountedAsTooLargeWithTheLimit)
{
    AppState state;
    frmFilesCount window(state);
    window.progress().open();
    PhotoCheck check;
    check.refusal = AddRefusal::Damaged;
    window.progress().fileDone(check);
    EXPECT_FALSE(window.findChild<QLabel *>(QStringLiteral("lblTooLarge"))->isVisible());
    check.refusal = AddRefusal::TooLarge;
    window.progress().fileDone(check);
    window.progress().fileDone(check);
    EXPECT_TRUE(window.findChild<QLabel *>(QStringLiteral("lblTooLarge"))->isVisible());
    EXPECT_EQ(shown(window, "lblTooLarge"), QStringLiteral("2 too large: over 32 megapixels"));
    // A new run starts without the old note.
    window.progress().close();
    window.progress().open();
    EXPECT_FALSE(window.findChild<QLabel *>(QStringLiteral("lblTooLarge"))->isVisible());
}

TEST(FilesCount, CancelAsksTheLoopToStopAndCloses)
{
    AppState state;
    frmFilesCount window(state);
    window.progress().open();
    ASSERT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Flazz"));
    EXPECT_EQ(window.titleLabel()->text(), QStringLiteral("Progress"));
    QTest::mouseClick(window.cmdCancel(), Qt::LeftButton);
    EXPECT_TRUE(window.cancelToken().cancelled());
    EXPECT_FALSE(window.isVisible());
    // The loop closes the window once more when it stops: no harm done.
    window.progress().close();
}

} // namespace

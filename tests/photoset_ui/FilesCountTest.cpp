#include "photoset/ui/frmFilesCount.h"

#include "core/AppState.h"
#include "photoset/PhotoCheck.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class FilesCountTest : public ::testing::Test
{
protected:
    AppState state;
    frmFilesCount window{state};

    QLabel *label(const char *name) const { return window.findChild<QLabel *>(QString::fromLatin1(name)); }
};

TEST_F(FilesCountTest, CountsLooksShortensLongNamesAndStartsAgainWhenOpenedAgain)
{
    EXPECT_EQ(label("lblFileCount")->text(), QString());
    window.setIntFileCount(1);
    window.setIntFileCount(3);
    EXPECT_EQ(label("lblFileCount")->text(), QStringLiteral("4"));

    // Names of twenty-six characters and more are shortened; the property keeps the whole name.
    window.setStrFileName(QStringLiteral("abcdefghijklmnopqrstu.jpg"));
    EXPECT_EQ(label("lblFileName")->text(), QStringLiteral("abcdefghijklmnopqrstu.jpg"));
    window.setStrFileName(QStringLiteral("abcdefghijklmnopqrstuv.jpg"));
    EXPECT_EQ(label("lblFileName")->text(), QStringLiteral("abcdefghijklmnopqrstuv..."));
    EXPECT_EQ(window.strFileName(), QStringLiteral("abcdefghijklmnopqrstuv.jpg"));

    window.progress().open();
    window.progress().fileLookedAt(QStringLiteral("a.jpg"));
    window.progress().fileLookedAt(QStringLiteral("b.jpg"));
    EXPECT_EQ(label("lblFileCount")->text(), QStringLiteral("2"));
    EXPECT_EQ(label("lblFileName")->text(), QStringLiteral("b.jpg"));

    // Files left out for their size are counted as too large, with the limit.
    PhotoCheck check;
    check.refusal = AddRefusal::Damaged;
    window.progress().fileDone(check);
    EXPECT_FALSE(label("lblTooLarge")->isVisible());
    check.refusal = AddRefusal::TooLarge;
    window.progress().fileDone(check);
    window.progress().fileDone(check);
    EXPECT_TRUE(label("lblTooLarge")->isVisible());
    EXPECT_EQ(label("lblTooLarge")->text(), QStringLiteral("2 too large: over 32 megapixels"));
    window.progress().close();
    EXPECT_FALSE(window.isVisible());
    window.progress().open();
    EXPECT_FALSE(label("lblTooLarge")->isVisible());
}

TEST_F(FilesCountTest, CancelAsksTheLoopToStopAndCloses)
{
    window.progress().open();
    ASSERT_TRUE(window.isVisible());
    QTest::mouseClick(window.cmdCancel(), Qt::LeftButton);
    EXPECT_TRUE(window.cancelToken().cancelled());
    EXPECT_FALSE(window.isVisible());
    window.progress().close(); // the loop closes the window once more when it stops: no harm done
}

} // namespace

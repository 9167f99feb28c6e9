#include "cloudfolders/ui/QtFolderChooser.h"
#include "cloudfolders/ui/frmAlbums.h"

#include "support/ScriptedUserPrompt.h"
#include "support/TestEnvironment.h"
#include "unicodeinput/ui/ctlUnicodeCombo.h"
#include "unicodeinput/ui/ctlUnicodeTextBox.h"
#include "webkit/ToolkitError.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(ChooserWindow, ShowsTheListAndHandsOnTheChoiceUntilItIsAnswered)
{
    TestEnvironment env;
    const QList<AlbumEntry> folders{{u"beach"_s, u"id-1"_s}, {u"moon"_s, u"id-2"_s}};
    std::vector<std::tuple<bool, int, QString>> asked;
    std::optional<QString> reply; // nothing: the window stays open
    frmAlbums window(env.state(), Service::SkyDrive, folders, true,
                     [&](bool createNew, int selected, const QString &name) {
                         asked.emplace_back(createNew, selected, name);
                         return reply;
                     });
    window.show();
    EXPECT_EQ(window.LoadAs(), 2);
    EXPECT_TRUE(window.rdoExisiting()->isChecked());
    EXPECT_EQ(window.uccboAlbum()->ListCount(), 2);
    EXPECT_EQ(window.uccboAlbum()->ListCargo(1), u"id-2"_s);

    // Typing a name is choosing to make a new one.
    auto *editor = window.uctxtAlbum()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(editor, &focusIn); // as a click into the box would
    QTest::keyClicks(editor, u"Trip"_s);
    EXPECT_TRUE(window.rdoNew()->isChecked());
    window.findChild<QPushButton *>(u"btnOK"_s)->click();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked.at(0), std::make_tuple(true, 0, u"Trip"_s));
    EXPECT_TRUE(window.isVisible());

    reply = u"new-id"_s;
    window.findChild<QPushButton *>(u"btnOK"_s)->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.FBUploadAlbumID(), u"new-id"_s);
}

TEST(ChooserWindow, AnEmptyListLeavesOnlyANewFolderAndCancelAnswersNothing)
{
    TestEnvironment env;
    frmAlbums window(env.state(), Service::Dropbox, {}, false,
                     [](bool, int, const QString &) { return std::optional<QString>(u"x"_s); });
    window.show();
    EXPECT_FALSE(window.rdoExisiting()->isEnabled());
    EXPECT_TRUE(window.rdoNew()->isChecked());
    window.findChild<QPushButton *>(u"btnCancel"_s)->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.FBUploadAlbumID().isEmpty());
}

TEST(ChooserWindow, AServiceThatFailsToMakeTheAlbumIsReportedAndTheChooserAnswersNothing)
{
    TestEnvironment env;
    ScriptedUserPrompt prompt{&env.state()};
    struct FailingService : AlbumSource
    {
        QList<AlbumEntry> albums() override { return {}; }
        QString createAlbum(const QString &) override
        {
            throw ToolkitError(0x800C0005, u"WebRequest.send"_s, u"connection reset"_s);
        }
    } service;
    // The list is loaded behind the busy window first; the chooser comes after.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&poll] {
        if (auto *window = qobject_cast<frmAlbums *>(QApplication::activeModalWidget())) {
            poll.stop();
            window->uctxtAlbum()->setText(u"Trip"_s);
            window->findChild<QPushButton *>(u"btnOK"_s)->click();
        }
    });
    poll.start();
    QtFolderChooser chooser(env.state(), prompt);
    EXPECT_TRUE(chooser.chooseAlbum(Service::Google, {}, &service).isEmpty());
    const auto reports = prompt.callsOf(u"error"_s);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.at(0).text.contains(u"frmAlbums"));
    EXPECT_TRUE(reports.at(0).text.contains(u"connection reset"));
    EXPECT_FALSE(env.state().ModalFormOpen);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace

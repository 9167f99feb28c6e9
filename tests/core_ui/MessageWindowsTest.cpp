#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "core/ui/LinkLabel.h"
#include "core/ui/QtUserPrompt.h"
#include "core/ui/ShowFormModal.h"
#include "core/ui/frmInternetConnection.h"
#include "core/ui/frmMsgAutoClose.h"
#include "core/ui/frmMsgBox.h"
#include "core/ui/frmNote.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Runs `action` once the next modal window is up.
void whenModal(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, qApp, [action] {
        QWidget *modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        action(modal);
    });
}

struct Layout
{
    bool yesShown, noShown, cancelShown;
    QPoint yes, no, cancel;
};

Layout layoutOf(AppState &state, bool yes, bool no, bool cancel)
{
    frmMsgBox box(state);
    box.ShowYes(yes);
    box.ShowNo(no);
    box.ShowCancel(cancel);
    box.show();
    Layout l{box.cmdYes()->isVisible(), box.cmdNo()->isVisible(), box.cmdCancel()->isVisible(),
             box.cmdYes()->pos(),       box.cmdNo()->pos(),       box.cmdCancel()->pos()};
    box.hide();
    return l;
}

// With Cancel each button keeps its place; without it Yes and No both show,
// moved to the places of No and Cancel.
TEST(frmMsgBox, ButtonsKeepTheirPlacesWithCancelAndMoveRightWithout)
{
    AppState state;
    const Layout all = layoutOf(state, true, true, true);
    EXPECT_TRUE(all.yesShown && all.noShown && all.cancelShown);
    EXPECT_LT(all.yes.x(), all.no.x());
    EXPECT_LT(all.no.x(), all.cancel.x());

    const Layout noYes = layoutOf(state, false, true, true);
    EXPECT_FALSE(noYes.yesShown);
    EXPECT_EQ(noYes.no, all.no);
    EXPECT_EQ(noYes.cancel, all.cancel);

    for (bool flags : {true, false}) {
        const Layout pair = layoutOf(state, flags, flags, false);
        EXPECT_TRUE(pair.yesShown && pair.noShown && !pair.cancelShown);
        EXPECT_EQ(pair.yes, all.no);
        EXPECT_EQ(pair.no, all.cancel);
    }
}

TEST(frmMsgBox, EveryWayOutSetsItsCodeAndUnloads)
{
    AppState state;
    const auto answerBy = [&](const std::function<void(frmMsgBox &)> &press) {
        frmMsgBox box(state);
        box.SetMessage(QStringLiteral("Are you sure?"));
        box.ShowYes(true);
        box.ShowNo(true);
        box.ShowCancel(true);
        box.show();
        press(box);
        EXPECT_FALSE(box.isVisible());
        return box.ReturnCode();
    };
    EXPECT_EQ(answerBy([](frmMsgBox &b) { b.cmdYes()->click(); }), MsgBoxCode::Yes);
    EXPECT_EQ(answerBy([](frmMsgBox &b) { b.cmdNo()->click(); }), MsgBoxCode::No);
    EXPECT_EQ(answerBy([](frmMsgBox &b) { b.cmdCancel()->click(); }), MsgBoxCode::Cancel);
    EXPECT_EQ(answerBy([](frmMsgBox &b) { b.titleCloseButton()->click(); }), MsgBoxCode::Cancel);
    EXPECT_EQ(answerBy([](frmMsgBox &b) { QTest::keyClick(&b, Qt::Key_Escape); }), MsgBoxCode::Cancel);
}

TEST(frmMsgAutoClose, GoesAwayByItselfAfterASecond)
{
    AppState state;
    frmMsgAutoClose note(state);
    QElapsedTimer clock;
    clock.start();
    note.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !note.isVisible(); }, 30000));
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_FALSE(note.timer()->isActive());
}

TEST(frmMsgAutoClose, SaysWhereTheResultWentBesideDoneAndItsLinkOpensTheFolder)
{
    AppState state;
    QtUserPrompt prompt(state);
    int opened = 0;
    bool modalWhileShown = false;
    whenModal([&](QWidget *modal) {
        auto *note = qobject_cast<frmMsgAutoClose *>(modal);
        ASSERT_NE(note, nullptr);
        modalWhileShown = state.ModalFormOpen;
        EXPECT_EQ(note->findChild<QLabel *>(QStringLiteral("lblMessage"))->text(), QStringLiteral("Done!"));
        EXPECT_TRUE(note->lblDetail()->isVisible());
        EXPECT_EQ(note->lblDetail()->text(), QStringLiteral("Saved as \"a.zip\"\nin /tmp/x"));
        QTest::mouseClick(note->lblOpenFolder(), Qt::LeftButton);
    });
    prompt.doneWith(QStringLiteral("Saved as \"a.zip\"\nin /tmp/x"), [&] { ++opened; });
    EXPECT_TRUE(modalWhileShown);
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(state.ModalFormOpen);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(frmNote, UnloadingRecordsTheCheckBoxForTheRun)
{
    AppState state;
    {
        frmNote note(state);
        note.show();
        note.chkDontShow()->setChecked(true);
        note.cmdOk()->click();
    }
    EXPECT_TRUE(state.NoteSuppressed);
    {
        frmNote note(state);
        note.show();
        note.titleCloseButton()->click(); // the other way out counts the same
    }
    EXPECT_FALSE(state.NoteSuppressed);
}

TEST(frmInternetConnection, OkEndsTheProgramOnlyWhileTheAuthorizationBrowserShows)
{
    AppState state;
    int ends = 0;
    bool browserShowing = false;
    const auto pressOk = [&](bool told) {
        frmInternetConnection window(state);
        window.setEndProgram([&] { ++ends; });
        if (told)
            window.setAuthBrowserShowing([&] { return browserShowing; });
        window.show();
        window.cmdOk()->click();
        EXPECT_FALSE(window.isVisible());
    };

    pressOk(true);
    EXPECT_EQ(ends, 0);
    browserShowing = true;
    pressOk(false); // nobody said where the browser is: never
    EXPECT_EQ(ends, 0);
    pressOk(true);
    EXPECT_EQ(ends, 1);
}

TEST(ShowFormModal, KeepsTheFlagOfTheOutermostWindow)
{
    AppState state;
    frmMsgBox outer(state);
    bool flagInside = false;
    bool flagAfterInner = false;
    whenModal([&](QWidget *) {
        flagInside = state.ModalFormOpen;
        frmMsgBox inner(state);
        whenModal([](QWidget *w) { static_cast<QDialog *>(w)->accept(); });
        ShowFormModal(state, inner);
        flagAfterInner = state.ModalFormOpen;
        outer.accept();
    });
    ShowFormModal(state, outer);
    EXPECT_TRUE(flagInside);
    EXPECT_TRUE(flagAfterInner);
    EXPECT_FALSE(state.ModalFormOpen);
}

// Both kinds of question answer with the button clicked and hold the modal
// flag while they show.
TEST(QtUserPrompt, ConfirmAndSystemMessagesAnswerWithTheClickedButton)
{
    AppState state;
    QtUserPrompt prompt(state);
    int flagWhileShown = 0;
    whenModal([&](QWidget *w) {
        flagWhileShown += state.ModalFormOpen;
        auto *box = qobject_cast<frmMsgBox *>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(box->cmdCancel()->isVisible());
        box->cmdNo()->click();
    });
    EXPECT_EQ(prompt.confirm(QStringLiteral("Are you sure?"), true, true, false), MsgBoxCode::No);
    whenModal([&](QWidget *w) {
        flagWhileShown += state.ModalFormOpen;
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(prompt.systemMessage(QStringLiteral("Are you sure?"), MsgStyle::YesNo | MsgStyle::Question,
                                   QStringLiteral("Flazz")),
              MsgResult::Yes);
    EXPECT_EQ(flagWhileShown, 2);
    EXPECT_FALSE(state.ModalFormOpen);

    auto box =
        QtUserPrompt::makeSystemMessageBox(QStringLiteral("x"), MsgStyle::Critical, QStringLiteral("Flazz"));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(QtUserPrompt::messageResult(QMessageBox::NoButton), MsgResult::Cancel);
}

TEST(QtUserPrompt, FileFiltersBecomeDialogFilters)
{
    EXPECT_EQ(QtUserPrompt::qtFileFilter(QStringLiteral("Pictures (*.jpg;*.gif;*.png)|*.jpg;*.gif;*.png")),
              QStringLiteral("Pictures (*.jpg *.gif *.png)"));
    EXPECT_EQ(QtUserPrompt::qtFileFilter(QStringLiteral("Programs|*.exe|All files (*.*)|*.*")),
              QStringLiteral("Programs (*.exe);;All files (*.*)"));
    EXPECT_EQ(QtUserPrompt::qtFileFilter(QString()), QString());
}

} // namespace

#include "core/AppState.h"
#include "core/ui/ShowFormModal.h"
#include "core/ui/TrayIcon.h"
#include "settingsui/ui/frmCallOut.h"
#include "support/RecordingShell.h"
#include "support/ScriptedUserPrompt.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kModalMessage = u"To access options from the Sys Tray, please close the active form first."_s;

class TrayTest : public ::testing::Test
{
protected:
    AppState state;
    ScriptedUserPrompt prompt{&state};
    RecordingShell shell;
    QWidget mainWindow;
    TrayIcon tray{state, prompt, shell, u"http://product.example/howitworks.html"_s};
    int callOuts = 0;
    int exits = 0;
    QStringList callOutTexts;

    TrayTest()
    {
        tray.setMainWindow([this] { return &mainWindow; });
        tray.setExitAction([this] { ++exits; });
        // The real call-out, shown modally as the program shows it; the
        // user presses OK as soon as it is up.
        tray.setCallOut([this](const QString &caption, const QString &message) {
            ++callOuts;
            frmCallOut callOut(state);
            callOut.SetCaption(caption);
            callOut.SetMessage(message);
            QTimer::singleShot(0, &callOut, [&] {
                callOutTexts << callOut.lblCaption()->text() << callOut.lblCallOut()->text();
                EXPECT_TRUE(state.TrayBusy);
                QTest::mouseClick(callOut.cmdSend(), Qt::LeftButton);
            });
            ShowFormModal(state, callOut);
        });
        mainWindow.show();
    }

    ~TrayTest() override { tray.menu()->hide(); }
};

TEST_F(TrayTest, DoubleClickTogglesTheMainWindow)
{
    tray.setStatusNotifierHost(false);
    emit tray.icon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(mainWindow.isVisible());
    emit tray.icon()->activated(QSystemTrayIcon::Trigger); // the first click of the two
    EXPECT_FALSE(mainWindow.isVisible());
    emit tray.icon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(mainWindow.isVisible());
}

// The host of a StatusNotifierItem reports single clicks only, and shows the
// menu the icon publishes: the guard runs as it asks for the menu.
TEST_F(TrayTest, AStatusNotifierHostTogglesOnAClickAndOpensTheGuardedMenuItself)
{
    tray.setStatusNotifierHost(true);
    emit tray.icon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(mainWindow.isVisible());
    emit tray.icon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(mainWindow.isVisible());

    ASSERT_EQ(tray.icon()->contextMenu(), tray.menu());
    emit tray.menu()->aboutToShow();
    EXPECT_EQ(tray.menu()->actions().size(), 3);
    state.ModalFormOpen = true;
    emit tray.menu()->aboutToShow();
    EXPECT_TRUE(tray.menu()->actions().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([this] { return callOuts == 1; }, 10000));
    EXPECT_EQ(callOutTexts.value(1), kModalMessage);

    tray.setStatusNotifierHost(false);
    EXPECT_EQ(tray.icon()->contextMenu(), nullptr);
}

TEST_F(TrayTest, RightClickOpensTheMenuLeftClickDoesNot)
{
    tray.ctTray1_MouseUp(Qt::LeftButton);
    EXPECT_FALSE(tray.menu()->isVisible());
    tray.ctTray1_MouseUp(Qt::RightButton);
    EXPECT_TRUE(tray.menu()->isVisible());
    // Rebuilt at every click: never twice the items.
    tray.menu()->hide();
    tray.ctTray1_MouseUp(Qt::RightButton);
    EXPECT_EQ(tray.menu()->actions().size(), 3);
}

TEST_F(TrayTest, WhileAModalWindowIsOpenTheCallOutAnswersInsteadOfTheMenu)
{
    state.ModalFormOpen = true;
    tray.ctTray1_MouseUp(Qt::RightButton);
    EXPECT_EQ(callOuts, 1);
    EXPECT_FALSE(tray.menu()->isVisible());
    EXPECT_EQ(callOutTexts, (QStringList{u"Active"_s, kModalMessage}));
    // The call-out closing lets the tray listen again, and it answers again.
    EXPECT_FALSE(state.TrayBusy);
    EXPECT_TRUE(state.ModalFormOpen);
    tray.ctTray1_DoubleClick();
    EXPECT_EQ(callOuts, 2);
    EXPECT_TRUE(mainWindow.isVisible());
}

TEST_F(TrayTest, ClicksWhileBusyAreIgnored)
{
    state.TrayBusy = true;
    state.ModalFormOpen = true;
    tray.ctTray1_MouseUp(Qt::RightButton);
    tray.ctTray1_DoubleClick();
    state.ModalFormOpen = false;
    tray.ctTray1_DoubleClick();
    EXPECT_EQ(callOuts, 0);
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_FALSE(tray.menu()->isVisible());
}

TEST_F(TrayTest, MenuItemsShowExplainAndExitAfterAQuestion)
{
    mainWindow.hide();
    tray.mnuSystrayMenu_Click(u" Show"_s);
    EXPECT_TRUE(mainWindow.isVisible());

    tray.mnuSystrayMenu_Click(u" How It Works"_s);
    EXPECT_EQ(shell.opened, QStringList{u"http://product.example/howitworks.html"_s});

    bool busyWhileAsked = false;
    prompt.onShow = [&](const ScriptedUserPrompt::Call &) { busyWhileAsked = state.TrayBusy; };
    prompt.messageAnswers.push_back(MsgResult::No);
    tray.mnuSystrayMenu_Click(u" Exit Flazz"_s);
    QCoreApplication::processEvents();
    EXPECT_TRUE(busyWhileAsked);
    EXPECT_FALSE(state.TrayBusy);
    EXPECT_EQ(exits, 0);
    const auto asked = prompt.callsOf(u"message"_s);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked.at(0).text, u"Are you sure? Why not continue Flazzing your Photos?"_s);
    EXPECT_EQ(asked.at(0).style, MsgStyle::YesNo | MsgStyle::Question);

    // Still responsive after No.
    tray.ctTray1_DoubleClick();
    EXPECT_FALSE(mainWindow.isVisible());

    tray.mnuSystrayMenu_Click(u" Exit Flazz"_s);
    EXPECT_EQ(exits, 0); // not from inside the menu's own handler
    QCoreApplication::processEvents();
    EXPECT_EQ(exits, 1);
}

// Only the "Active" caption's OK button closes the call-out and frees the tray.
TEST(CallOut, OnlyTheActiveCaptionsOkClosesIt)
{
    AppState state;
    frmCallOut note(state);
    note.SetCaption(u"Note"_s);
    note.show();
    QTest::mouseClick(note.cmdSend(), Qt::LeftButton);
    EXPECT_TRUE(note.isVisible());
    note.reject();

    state.TrayBusy = true;
    frmCallOut callOut(state);
    callOut.SetCaption(u"Active"_s);
    callOut.show();
    EXPECT_TRUE(callOut.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QTest::mouseClick(callOut.btnClose(), Qt::LeftButton);
    EXPECT_FALSE(callOut.isVisible());
    EXPECT_FALSE(state.TrayBusy);
}

} // namespace

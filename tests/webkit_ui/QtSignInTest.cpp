#include "webkit/ui/QtSignIn.h"

#include "SignInPages.h"
#include "core/AppState.h"
#include "core/ui/frmSck.h"
#include "support/AllowSignIn.h"
#include "support/RecordingShell.h"
#include "support/TestText.h"
#include "webkit/ui/frmAuthBrowser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWebEngineView>

#include <gtest/gtest.h>

namespace {

TEST(QtSignIn, APageSignInReturnsWhereItEndedAndFacebookLeavesTheBusyWindowUp)
{
    AppState state;
    SignInPages pages;
    RecordingShell shell;
    QtSignIn signIn(state, pages.config, shell);
    signIn.setEndProgram([] { ADD_FAILURE() << "the program ended"; });

    allowOnceLoaded(s(u"/dialog/oauth"));
    const QString facebook =
        signIn.browse({Service::Facebook, pages.url("/dialog/oauth"), pages.successUrl(), pages.failedUrl()});
    EXPECT_EQ(facebook, pages.url("/CONNECT/Login_Success.html#access_token=tok1&expires_in=0"));
    EXPECT_FALSE(state.ModalFormOpen);
    ASSERT_NE(signIn.busyWindow(), nullptr);
    EXPECT_TRUE(signIn.busyWindow()->isVisible());
    EXPECT_FALSE(signIn.busyWindow()->isModal());
    EXPECT_EQ(signIn.busyWindow()->mode(), frmSck::Busy);
    signIn.closeBusy();
    EXPECT_EQ(signIn.busyWindow(), nullptr);
}

// A connector at work shows the hourglass, except while one of the sign-in's
// windows waits for the user; a page no browser could open is shown in the
// program's own window instead.
TEST(QtSignIn, TheBusyPointerGivesWayToWindowsAndAPageCanBeShownInsteadOfInTheBrowser)
{
    AppState state;
    SignInPages pages;
    RecordingShell shell;
    QtSignIn signIn(state, pages.config, shell);
    signIn.setBusy(true);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

    bool arrowMeanwhile = false;
    QString note;
    QTimer::singleShot(0, qApp, [&] {
        auto *window = qobject_cast<frmAuthBrowser *>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        arrowMeanwhile = QGuiApplication::overrideCursor() == nullptr;
        note = window->Label10()->text();
        QObject::connect(window->AuthBrowser(), &QWebEngineView::loadFinished, window,
                         [window](bool) { window->lblClose()->click(); });
    });
    EXPECT_TRUE(signIn.openInstead(pages.url("/other.html"), s(u"Dropbox")));
    EXPECT_TRUE(arrowMeanwhile);
    EXPECT_EQ(note, s(u"This program does not store your Dropbox credentials."));
    EXPECT_TRUE(shell.opened.isEmpty());
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

    signIn.setBusy(false);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace

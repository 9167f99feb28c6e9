#include "webkit/ui/QtSignIn.h"

#include "SignInPages.h"
#include "core/AppState.h"
#include "core/ui/frmSck.h"
#include "support/AllowSignIn.h"
#include "support/RecordingShell.h"
#include "support/TestText.h"
#include "webkit/ui/frmAuthBrowser.h"
#include "webkit/ui/frmAuthorize.h"
#include "webkit/ui/frmCompleteAuthorization.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWebEngineView>

#include <gtest/gtest.h>

namespace {

TEST(QtSignIn, PageSignInsReturnWhereTheyEndedAndFacebookLeavesTheBusyWindowUp)
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

    allowOnceLoaded(s(u"/google/auth"));
    const QString google = signIn.browse(
        {Service::Google, pages.url("/google/auth"), pages.url("/o/oauth2/approval?"), pages.failedUrl()});
    EXPECT_EQ(google, s(u"Success code=4/xyz"));
    EXPECT_EQ(signIn.busyWindow(), nullptr);
}

TEST(QtSignIn, PromptsAnswerAndAuthorizationPagesOpenInTheUsersBrowser)
{
    AppState state;
    const ServiceConfig config = ServiceConfig::defaults();
    RecordingShell shell;
    QtSignIn signIn(state, config, shell);

    QTimer::singleShot(0, qApp, [] {
        auto *prompt = qobject_cast<frmAuthorize *>(QApplication::activeModalWidget());
        ASSERT_NE(prompt, nullptr);
        prompt->cmdAuthorize()->click();
    });
    EXPECT_TRUE(signIn.askAuthorize());

    QTimer::singleShot(0, qApp, [] {
        auto *prompt = qobject_cast<frmCompleteAuthorization *>(QApplication::activeModalWidget());
        ASSERT_NE(prompt, nullptr);
        prompt->cmdCancel()->click();
    });
    EXPECT_FALSE(signIn.askCompleteAuthorization());
    EXPECT_FALSE(state.ModalFormOpen);

    signIn.openInBrowser(s(u"https://www.example.test/1/oauth/authorize?oauth_token=abc"));
    EXPECT_EQ(shell.opened, QList<QString>{s(u"https://www.example.test/1/oauth/authorize?oauth_token=abc")});
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

#include "webkit/ui/frmAuthBrowser.h"

#include "SignInPages.h"
#include "core/AppState.h"
#include "support/RecordingShell.h"
#include "support/TestText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

class AuthBrowserTest : public ::testing::Test
{
protected:
    AppState state;
    SignInPages pages;
    RecordingShell shell;
    int programEnds = 0;
    std::unique_ptr<frmAuthBrowser> window;
    QStringList finishedPages;
    bool closed = false;

    // Opens the window on `path` of the stand-in and waits for the page.
    void open(int module, const char *path, const QString &success, const QString &failed)
    {
        window = std::make_unique<frmAuthBrowser>(state, pages.config, shell);
        window->setEndProgram([this] { ++programEnds; });
        window->setModule(module);
        window->setSuccessURL(success);
        window->setFailedURL(failed);
        window->setActionURL(pages.url(path));
        finishedPages.clear();
        closed = false;
        QObject::connect(window->AuthBrowser(), &QWebEngineView::loadFinished, window.get(),
                         [this](bool) { finishedPages << window->AuthBrowser()->url().toString(); });
        QObject::connect(window.get(), &QDialog::finished, window.get(), [this] { closed = true; });
        window->show();
        ASSERT_TRUE(waitForPage(path));
    }

    bool waitForPage(const char *path)
    {
        return waitUntil(
            [&] { return !finishedPages.isEmpty() && finishedPages.last().contains(QLatin1String(path)); });
    }

    // The window closes itself a moment after an ending page, not at once.
    bool closePending() const
    {
        const auto timers = window->findChildren<QTimer *>(Qt::FindDirectChildrenOnly);
        return std::any_of(timers.begin(), timers.end(), [](const QTimer *timer) {
            return timer->isActive() && timer->interval() == frmAuthBrowser::CloseDelayMs;
        });
    }

    QString pageTitle() const { return window->AuthBrowser()->title(); }
    void script(const char *code) { runScript(window->AuthBrowser()->page(), QString::fromLatin1(code)); }
};

TEST_F(AuthBrowserTest, PageBeginningWithTheSuccessAddressInAnotherCaseEndsTheSignInTwoSecondsLater)
{
    open(0, "/dialog/oauth", pages.successUrl(), pages.failedUrl());
    EXPECT_TRUE(state.ModalFormOpen);

    script("document.querySelector('button').click()");
    ASSERT_TRUE(waitForPage("/CONNECT/Login_Success.html"));
    QElapsedTimer shown;
    shown.start();
    // The window stays usable while the ending page shows.
    EXPECT_TRUE(closePending());
    EXPECT_FALSE(closed);
    ASSERT_TRUE(waitUntil([&] { return closed; }, 30000));
    EXPECT_GE(shown.elapsed(), frmAuthBrowser::CloseDelayMs / 2);

    EXPECT_EQ(window->AuthResult(), pages.url("/CONNECT/Login_Success.html#access_token=tok1&expires_in=0"));
    EXPECT_TRUE(window->endedByPage());
    EXPECT_FALSE(state.ModalFormOpen);
    EXPECT_EQ(programEnds, 0);
}

TEST_F(AuthBrowserTest, WithoutSuccessAddressNoPageEndsItAndTheCloseMarkLeavesAddressOrGoogleTitle)
{
    open(0, "/dialog/oauth", QString(), pages.failedUrl());
    script("location.href = '/Login_Failure.html?error=x'");
    ASSERT_TRUE(waitForPage("/Login_Failure.html"));
    EXPECT_FALSE(closePending());
    EXPECT_FALSE(closed);
    EXPECT_TRUE(window->isVisible());

    window->lblClose()->click();
    EXPECT_TRUE(closed);
    EXPECT_EQ(window->AuthResult(), QString()); // not the success page: nothing to read
    EXPECT_FALSE(window->endedByPage());

    open(1, "/google/auth", pages.url("/o/oauth2/approval?"), pages.failedUrl());
    EXPECT_EQ(window->Label10()->text(), s(u"This program does not store your Google credentials."));
    window->lblClose()->click();
    EXPECT_TRUE(closed);
    EXPECT_EQ(window->AuthResult(), s(u"Google sign in"));
}

TEST_F(AuthBrowserTest, PageKeepsItsKeysButNotTheBrowserShortcutsAndSignUpOpensOutside)
{
    open(0, "/dialog/oauth", pages.successUrl(), pages.failedUrl());
    window->activateWindow();
    window->AuthBrowser()->setFocus();
    QWidget *page = window->AuthBrowser()->focusProxy();
    ASSERT_NE(page, nullptr);

    QTest::keyClick(page, Qt::Key_A);
    QTest::keyClick(page, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(page, Qt::Key_K, Qt::ControlModifier);
    QTest::keyClick(page, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(page, Qt::Key_F5);
    QTest::keyClick(page, Qt::Key_P, Qt::ControlModifier);
    QTest::keyClick(page, Qt::Key_B);
    ASSERT_TRUE(waitUntil([&] { return pageTitle().contains(QLatin1String("[b]")); }, 5000))
        << qPrintable(pageTitle());
    EXPECT_EQ(pageTitle(), s(u"[a][ctrl+p][b]"));
    EXPECT_EQ(pages.requestsFor("/dialog/oauth"), 1); // F5 did not reload

    QTest::keyClick(page, Qt::Key_Escape);
    EXPECT_EQ(programEnds, 1);

    // A right click brings up no menu of the browser's.
    QTest::mouseClick(page, Qt::RightButton, {}, QPoint(200, 200));
    runScript(window->AuthBrowser()->page(), s(u"0")); // the page has had the click
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    script("document.getElementById('signup').click()");
    script("document.getElementById('report').click()");
    script("document.getElementById('signup2').click()");
    ASSERT_TRUE(waitUntil([&] { return shell.opened.size() == 3; }, 5000));
    EXPECT_EQ(shell.opened.at(0), pages.url("/r.php?api_key=123&next=x"));
    EXPECT_EQ(shell.opened.at(1), pages.url("/dialog/report.application/?id=1"));
    EXPECT_EQ(shell.opened.at(2), pages.url("/r.php?api_key=9"));

    // Ordinary links still lead on; nothing went to the sign-up page first.
    script("document.getElementById('other').click()");
    ASSERT_TRUE(waitForPage("/other.html"));
    EXPECT_EQ(finishedPages.filter(s(u"/r.php")), QStringList());
    EXPECT_EQ(pages.requestsFor("/r.php"), 0);
    EXPECT_FALSE(closed);
    window->lblClose()->click();
    EXPECT_TRUE(window->AuthResult().isEmpty());
}

TEST_F(AuthBrowserTest, APageLuringTheSignInToAnotherSiteWithARealTokenGetsNowhere)
{
    open(0, "/dialog/oauth", pages.successUrl(), pages.failedUrl());
    // Set where the next window on the same site would see it.
    script("document.cookie = 'sid=one'");
    const QString foreign = pages.elsewhere.baseUrl() + u"/connect/login_success.html#access_token=tok1";

    // Neither a script nor the service's own redirect takes the browser there.
    script(qPrintable(u"location.href = '" + foreign + u"'"));
    script("document.getElementById('lure').submit()");
    ASSERT_TRUE(waitUntil([&] { return pages.requestsFor("/dialog/oauth/lure") == 1; }));
    // A later page loading shows the browser is done with the earlier ones.
    script("document.getElementById('other').click()");
    ASSERT_TRUE(waitForPage("/other.html"));
    EXPECT_TRUE(pages.elsewhere.requests().isEmpty());
    EXPECT_FALSE(closed);
    window->lblClose()->click();
    EXPECT_TRUE(window->AuthResult().isEmpty());

    // The next window starts with nothing of the last.
    open(0, "/dialog/oauth", pages.successUrl(), pages.failedUrl());
    EXPECT_TRUE(pages.server.lastRequest().header("Cookie").isNull());
}

// The success and failure pages follow the sign-in rule; the window adds
// Dropbox's home page, and the service's own pages that belong outside.
TEST_F(AuthBrowserTest, DropboxHomeEndsTheSignInAndSignUpOrReportPagesOpenOutside)
{
    frmAuthBrowser browser(state, pages.config, shell);
    const QString base = pages.server.baseUrl();
    browser.setSuccessURL(s(u"http://login.example/connect/login_success.html"));
    EXPECT_TRUE(browser.endsSignIn(base + s(u"/DROPBOX/home")));
    browser.setSuccessURL(QString());
    EXPECT_FALSE(browser.endsSignIn(base + s(u"/dropbox/home")));

    const QString host = base.mid(base.indexOf(QLatin1String("://")) + 3);
    EXPECT_TRUE(browser.opensOutside(s(u"http://") + host + s(u"/R.php?API_KEY=1")));
    EXPECT_TRUE(browser.opensOutside(s(u"https://") + host + s(u"/r.php?api_key=1")));
    EXPECT_TRUE(browser.opensOutside(base + s(u"/dialog/report.application/?x")));
    EXPECT_FALSE(browser.opensOutside(base + s(u"/r.php?next=1")));
    EXPECT_FALSE(browser.opensOutside(s(u"http://elsewhere.example/r.php?api_key=1")));
}

} // namespace

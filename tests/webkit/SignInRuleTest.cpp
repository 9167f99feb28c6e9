#include "webkit/SignIn.h"
#include "webkit/TerminalSignIn.h"

#include "support/TestText.h"

#include <gtest/gtest.h>

namespace {

SignInPage page(Service service, const char16_t *action, const char16_t *success)
{
    return {service, s(action), s(success), s(u"http://www.fb.example/login_failure.html")};
}

const SignInPage facebook = page(Service::Facebook, u"https://www.fb.example/dialog/oauth?client_id=1",
                                 u"http://www.fb.example/connect/login_success.html");
const SignInPage google = page(Service::Google, u"https://accounts.g.example/o/oauth2/auth?x",
                               u"https://accounts.g.example/o/oauth2/approval?");

TEST(SignInRule, OnlyTheSuccessPageHandsOverItsAddress)
{
    const SignInPage &page = facebook;
    const QString token = s(u"#access_token=tok1&expires_in=0");
    for (const char16_t *ok : {u"http://www.fb.example/connect/login_success.html",
                               u"HTTPS://WWW.FB.EXAMPLE/Connect/Login_Success.html"}) {
        const QString address = QString::fromUtf16(ok) + token;
        EXPECT_EQ(page.result(address, s(u"t")), address);
        EXPECT_TRUE(page.endsAt(address));
    }
    // Another site, a look-alike host, another port, the success address
    // carried inside another address, the failure page: all end nowhere.
    for (const char16_t *elsewhere :
         {u"http://evil.example/connect/login_success.html",
          u"http://www.fb.example.evil.example/connect/login_success.html",
          u"http://www.fb.example:8080/connect/login_success.html",
          u"http://evil.example/?next=http://www.fb.example/connect/login_success.html",
          u"http://www.fb.example/login_failure.html"}) {
        const QString address = QString::fromUtf16(elsewhere) + token;
        EXPECT_TRUE(page.result(address, s(u"t")).isEmpty()) << address.toStdString();
    }
    EXPECT_TRUE(page.endsAt(s(u"https://www.fb.example/LOGIN_failure.html?error=denied")));
    EXPECT_TRUE(page.endsAt(s(u"https://home.example/home?x"), {s(u"https://home.example/home")}));
    EXPECT_FALSE(page.endsAt(s(u"http://evil.example/connect/login_success.html")));

    SignInPage open = page;
    open.successUrl.clear();
    EXPECT_FALSE(open.endsAt(s(u"http://www.fb.example/login_failure.html")));
    EXPECT_TRUE(
        open.result(s(u"http://www.fb.example/connect/login_success.html#access_token=t"), {}).isEmpty());
}

TEST(SignInRule, GooglesTitleCountsOnlyOnTheAccountsSite)
{
    const SignInPage &page = google;
    const QString title = s(u"Success code=4/real");
    EXPECT_EQ(page.result(s(u"https://accounts.g.example/o/oauth2/approval?code=4/real"), title), title);
    EXPECT_EQ(page.result(s(u"https://ACCOUNTS.g.example/signin"), s(u"Sign in")), s(u"Sign in"));
    EXPECT_TRUE(page.result(s(u"https://evil.example/o/oauth2/approval?code=4/evil"), title).isEmpty());
    EXPECT_TRUE(
        page.result(s(u"http://accounts.g.example/o/oauth2/approval?"), title).isEmpty()); // no downgrade
    EXPECT_TRUE(page.result(s(u"https://accounts.g.example:444/x"), title).isEmpty());

    EXPECT_TRUE(onSiteOf(s(u"https://a.example/x"), s(u"http://A.example/y")));
    EXPECT_TRUE(onSiteOf(s(u"https://a.example:8443/x"), s(u"http://a.example:8443")));
    EXPECT_FALSE(onSiteOf(s(u"ftp://a.example/x"), s(u"http://a.example")));
}

// What the user types back on the terminal goes through the same rule: a
// token carried by a page elsewhere signs nobody in.
TEST(SignInRule, TheTerminalTakesBackOnlyWhatTheWindowWould)
{
    const auto typed = [](const SignInPage &page, const QString &line) {
        QString printed, notes;
        QString input = line + u'\n';
        QTextStream out(&printed), in(&input), said(&notes);
        TerminalSignIn terminal(out, in, &said);
        const QString result = terminal.browse(page);
        EXPECT_EQ(printed, page.actionUrl + u'\n'); // the address alone on stdout
        EXPECT_FALSE(notes.isEmpty());
        return result;
    };
    const QString good = s(u"http://www.fb.example/connect/login_success.html#access_token=tok1");
    EXPECT_EQ(typed(facebook, good), good);
    EXPECT_TRUE(
        typed(facebook, s(u"http://evil.example/connect/login_success.html#access_token=tok1")).isEmpty());

    EXPECT_EQ(typed(google, s(u"https://accounts.g.example/o/oauth2/approval?code=4%2Freal")),
              s(u"Success code=4/real"));
    EXPECT_TRUE(typed(google, s(u"https://evil.example/o/oauth2/approval?code=4/evil")).isEmpty());
    EXPECT_EQ(typed(google, s(u"Success code=4/real")), s(u"Success code=4/real"));
}

} // namespace

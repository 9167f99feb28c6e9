#include "webkit/clsFBCallback.h"

#include "core/AppState.h"
#include "core/app/InternetCheck.h"

#include "sandbox/StandinServer.h"
#include "support/TestText.h"

#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

namespace {

// The callback object as the permission checks use it, and the internet
// probe beside it.
class FBCallbackTest : public ::testing::Test
{
protected:
    StandinServer server;
    AppState state;
    clsFBCallback check{state};
    QSignalSpy response{&check, &clsFBCallback::Response};
    clsFBCallback probe{state};
    QSignalSpy probed{&probe, &clsFBCallback::Response};

    FBCallbackTest()
    {
        check.setCurrentOperation(31);
        probe.setCurrentOperation(25);
    }
    void get(const char16_t *path, const QString &tag = {})
    {
        check.Post(server.baseUrl() + s(path), QString(), s(u"GET"), QString(), tag, false, QString());
    }
};

} // namespace

TEST_F(FBCallbackTest, WhileOfflineOnlyTheProbeGoesOutAndItsStatus400MeansOnline)
{
    server.answer("GET", "/me",
                  StandinAnswer{400, {}, R"({"error":{"message":"An active access token must be used"}})"});
    state.InternetAvailable = false;
    QSignalSpy error(&check, &clsFBCallback::Error);
    get(u"/method/fql.query?query=x", s(u"tag"));
    ASSERT_EQ(error.count(), 1);
    EXPECT_EQ(error.first().at(1).toString(), s(u"tag"));
    EXPECT_EQ(response.count(), 0);
    EXPECT_EQ(server.requestCount(), 0);

    probe.Post(server.baseUrl() + u"/me", QString(), s(u"get"), QString(), s(u"t"), true, QString());
    ASSERT_TRUE(probed.wait(5000));
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_TRUE(state.InternetAvailable);
    const QList<QVariant> args = probed.takeFirst();
    EXPECT_TRUE(args.at(0).toString().contains(s(u"access token")));
    EXPECT_EQ(args.mid(1), (QVariantList{s(u"get"), false, 25, s(u"t")}));
}

TEST_F(FBCallbackTest, ASynchronousPostRespondsBeforeItReturnsOrThrowsItsFailure)
{
    server.answer("GET", "/v5.0/me/permissions",
                  StandinAnswer{200, {}, R"({"data":[{"wl.offline_access":1}]})"});
    server.answer("POST", "/x", StandinAnswer{200, {}, ""});
    check.Post(server.baseUrl() + u"/v5.0/me/permissions?access_token=a", QString(), s(u"GET"), s(u"blank"),
               QString(), false, QString());
    ASSERT_EQ(response.count(), 1);
    EXPECT_EQ(response.at(0).at(0).toString(), s(u"{\"data\":[{\"wl.offline_access\":1}]}"));
    // "blank" still names the content type, with nothing in it.
    EXPECT_TRUE(server.lastRequest().hasHeader("Content-Type"));
    EXPECT_EQ(server.lastRequest().header("Content-Type"), QByteArray());
    EXPECT_TRUE(state.InternetAvailable); // only the probe changes the verdict

    // No content type at all means the form type; the authorization is passed on.
    check.Post(server.baseUrl() + u"/x", s(u"a=1"), s(u"POST"), QString(), QString(), false, s(u"Bearer z"));
    const StandinRequest seen = server.lastRequest();
    EXPECT_EQ(seen.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(seen.header("Authorization"), "Bearer z");
    EXPECT_EQ(seen.body, "a=1");

    // Port 1 on the loopback has no listener.
    EXPECT_THROW(
        check.Post(s(u"http://127.0.0.1:1/x"), QString(), s(u"GET"), QString(), QString(), false, QString()),
        WebRequestError);
    EXPECT_EQ(response.count(), 2);
}

TEST_F(FBCallbackTest, APostFromInsideAWaitingSynchronousOneIsRefusedAndLeavesItAlone)
{
    server.answer("GET", "/me/permissions", StandinAnswer{200, {}, "first", std::chrono::milliseconds(300)});
    std::optional<WebRequestError::Kind> refused;
    // A second click while the first check still waits.
    QTimer::singleShot(50, &check, [&] {
        try {
            get(u"/me/permissions", s(u"second"));
        } catch (const WebRequestError &e) {
            refused = e.kind();
        }
    });
    get(u"/me/permissions", s(u"first"));
    EXPECT_EQ(refused, WebRequestError::Kind::Busy);
    ASSERT_EQ(response.count(), 1);
    EXPECT_EQ(response.at(0).at(0).toString(), s(u"first"));
    EXPECT_EQ(response.at(0).at(4).toString(), s(u"first")); // the tag is still the first one's
    EXPECT_EQ(server.requestCount(), 1);
}

// The timer that asks the probe above whether the internet is there.
namespace {

ServiceConfig pointingAt(const QString &graph)
{
    ServiceConfig config = ServiceConfig::defaults();
    config.facebook.graph = graph;
    return config;
}

class InternetCheckTest : public ::testing::Test
{
protected:
    StandinServer server;
    AppState state;
    InternetCheck check{state, pointingAt(server.baseUrl())};
};

} // namespace

TEST_F(InternetCheckTest, TheFirstTickWaitsForItsAnswerLaterOnesDoNotAndOnly400MeansOnline)
{
    server.answer("GET", "/me", StandinAnswer{200, {}, "", std::chrono::milliseconds(200)});
    state.InternetAvailable = true;
    QSignalSpy checked(&check, &InternetCheck::checked);
    check.Timer1().setInterval(1); // the tick must put the real interval back
    check.Timer1_Timer();
    EXPECT_TRUE(check.answered());
    EXPECT_FALSE(state.InternetAvailable);
    ASSERT_EQ(checked.count(), 1);
    EXPECT_TRUE(check.Timer1().isActive());
    EXPECT_EQ(check.Timer1().interval(), 5000);
    EXPECT_EQ(server.lastRequest().requestLine, "GET /me HTTP/1.1"); // no token

    server.answer("GET", "/me", StandinAnswer{400, {}, "", std::chrono::milliseconds(1500)});
    check.Timer1_Timer();
    // Had the tick waited, the slow answer would already have been counted.
    EXPECT_EQ(checked.count(), 1);
    EXPECT_FALSE(state.InternetAvailable); // the old verdict stands until the answer
    ASSERT_TRUE(checked.wait(5000));
    EXPECT_TRUE(state.InternetAvailable);
}

TEST_F(InternetCheckTest, AProbeThatTimesOutOrIsRefusedMeansOffline)
{
    server.answer("GET", "/me", StandinAnswer{400, {}, "", std::chrono::milliseconds(3000)});
    check.setProbeTimeoutMs(300);
    check.Timer1_Timer(); // the first pass waits, and the time-out ends the wait
    EXPECT_TRUE(check.answered());
    EXPECT_FALSE(state.InternetAvailable);

    state.InternetAvailable = true;
    InternetCheck refused(state, pointingAt(s(u"http://127.0.0.1:1")));
    refused.Timer1_Timer();
    EXPECT_FALSE(state.InternetAvailable);
}

#include "webkit/clsFBCallback.h"

#include "core/AppState.h"
#include "core/app/InternetCheck.h"

#include "sandbox/StandinServer.h"
#include "support/TestText.h"

#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

TEST(clsFBCallback, TheProbeSetsInternetAvailableFromStatus400)
{
    StandinServer server;
    AppState state;
    state.InternetAvailable = false;

    server.answer("GET", "/me",
                  StandinAnswer{400, {}, R"({"error":{"message":"An active access token must be used"}})"});
    clsFBCallback probe(state);
    QSignalSpy response(&probe, &clsFBCallback::Response);
    probe.setCurrentOperation(25);
    probe.Post(server.baseUrl() + u"/me", QString(), s(u"get"), QString(), s(u"t"), true, QString());
    ASSERT_TRUE(response.wait(5000));
    EXPECT_TRUE(state.InternetAvailable);
    const QList<QVariant> args = response.takeFirst();
    EXPECT_TRUE(args.at(0).toString().contains(s(u"access token")));
    EXPECT_EQ(args.at(1).toString(), s(u"get"));
    EXPECT_FALSE(args.at(2).toBool());
    EXPECT_EQ(args.at(3).toInt(), 25);
    EXPECT_EQ(args.at(4).toString(), s(u"t"));
}

TEST(clsFBCallback, RefusesEveryOperationButTheProbeWhileOffline)
{
    StandinServer server;
    server.answer("GET", "/me", StandinAnswer{400, {}, ""});
    server.answer("GET", "/method/fql.query", StandinAnswer{200, {}, "<ok/>"});
    AppState state;
    state.InternetAvailable = false;

    clsFBCallback check(state);
    QSignalSpy error(&check, &clsFBCallback::Error);
    QSignalSpy response(&check, &clsFBCallback::Response);
    check.setCurrentOperation(31);
    check.Post(server.baseUrl() + u"/method/fql.query?query=x", QString(), s(u"GET"), QString(), s(u"tag"),
               false, QString());
    ASSERT_EQ(error.count(), 1);
    EXPECT_EQ(error.first().at(1).toString(), s(u"tag"));
    EXPECT_EQ(response.count(), 0);
    EXPECT_EQ(server.requestCount(), 0);

    clsFBCallback probe(state);
    QSignalSpy probed(&probe, &clsFBCallback::Response);
    probe.setCurrentOperation(25);
    probe.Post(server.baseUrl() + u"/me", QString(), s(u"get"), QString(), QString(), true, QString());
    ASSERT_TRUE(probed.wait(5000));
    EXPECT_EQ(server.requestCount(), 1);
}

TEST(clsFBCallback, ASynchronousPostRespondsBeforeItReturnsOrThrowsItsFailure)
{
    StandinServer server;
    server.answer("GET", "/v5.0/me/permissions",
                  StandinAnswer{200, {}, R"({"data":[{"wl.offline_access":1}]})"});
    server.answer("POST", "/x", StandinAnswer{200, {}, ""});
    AppState state;
    clsFBCallback check(state);
    QSignalSpy response(&check, &clsFBCallback::Response);
    check.setCurrentOperation(31);
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

TEST(clsFBCallback, APostFromInsideAWaitingSynchronousOneIsRefusedAndLeavesItAlone)
{
    StandinServer server;
    server.answer("GET", "/me/permissions", StandinAnswer{200, {}, "first", std::chrono::milliseconds(300)});
    AppState state;
    clsFBCallback check(state);
    check.setCurrentOperation(31);
    QSignalSpy response(&check, &clsFBCallback::Response);
    std::optional<WebRequestError::Kind> refused;
    // A second click while the first check still waits.
    QTimer::singleShot(50, &check, [&] {
        try {
            check.Post(server.baseUrl() + u"/me/permissions", QString(), s(u"GET"), QString(), s(u"second"),
                       false, QString());
        } catch (const WebRequestError &e) {
            refused = e.kind();
        }
    });
    check.Post(server.baseUrl() + u"/me/permissions", QString(), s(u"GET"), QString(), s(u"first"), false,
               QString());
    EXPECT_EQ(refused, WebRequestError::Kind::Busy);
    ASSERT_EQ(response.count(), 1);
    EXPECT_EQ(response.at(0).at(0).toString(), s(u"first"));
    EXPECT_EQ(response.at(0).at(4).toString(), s(u"first")); // the tag is still the first one's
    EXPECT_EQ(server.requestCount(), 1);
}

// The timer that asks the probe above whether the internet is there.
namespace {

ServiceConfig pointingAt(const StandinServer &server)
{
    ServiceConfig config = ServiceConfig::defaults();
    config.facebook.graph = server.baseUrl();
    return config;
}

} // namespace

TEST(InternetCheck, FirstTickWaitsForTheAnswerThenReArmsTheTimer)
{
    StandinServer server;
    server.answer("GET", "/me", StandinAnswer{400, {}, "{}", std::chrono::milliseconds(200)});
    AppState state;
    state.InternetAvailable = false;

    InternetCheck check(state, pointingAt(server));
    check.Timer1().setInterval(1); // the tick must put the real interval back
    check.Timer1_Timer();

    EXPECT_TRUE(check.answered());
    EXPECT_TRUE(state.InternetAvailable);
    EXPECT_TRUE(check.Timer1().isActive());
    EXPECT_EQ(check.Timer1().interval(), 5000);
    const StandinRequest seen = server.lastRequest();
    EXPECT_EQ(seen.method, "GET");
    EXPECT_EQ(seen.path, "/me");
    EXPECT_TRUE(seen.query.isEmpty()); // no token
}

TEST(InternetCheck, AnyOtherStatusMeansOfflineAndLaterTicksDoNotWait)
{
    StandinServer server;
    server.answer("GET", "/me", StandinAnswer{200, {}, ""});
    AppState state;
    InternetCheck check(state, pointingAt(server));
    QSignalSpy checked(&check, &InternetCheck::checked);

    check.Timer1_Timer();
    EXPECT_FALSE(state.InternetAvailable);
    ASSERT_EQ(checked.count(), 1);

    server.answer("GET", "/me", StandinAnswer{400, {}, "", std::chrono::milliseconds(1500)});
    check.Timer1_Timer();
    // Had the tick waited, the slow answer would already have been counted.
    EXPECT_EQ(checked.count(), 1);
    EXPECT_FALSE(state.InternetAvailable); // the old verdict stands until the answer
    ASSERT_TRUE(checked.wait(5000));
    EXPECT_TRUE(state.InternetAvailable);
}

TEST(InternetCheck, AProbeThatTimesOutOrIsRefusedMeansOffline)
{
    StandinServer server;
    server.answer("GET", "/me", StandinAnswer{400, {}, "", std::chrono::milliseconds(3000)});
    AppState state;
    InternetCheck check(state, pointingAt(server));
    check.setProbeTimeoutMs(300);
    check.Timer1_Timer(); // the first pass waits, and the time-out ends the wait
    EXPECT_TRUE(check.answered());
    EXPECT_FALSE(state.InternetAvailable);

    state.InternetAvailable = true;

    ServiceConfig nowhere = ServiceConfig::defaults();
    nowhere.facebook.graph = QStringLiteral("http://127.0.0.1:1");
    InternetCheck refused(state, nowhere);
    refused.Timer1_Timer();
    EXPECT_FALSE(state.InternetAvailable);
}

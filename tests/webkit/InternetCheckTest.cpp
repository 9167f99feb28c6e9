#include "core/app/InternetCheck.h"

#include "core/AppState.h"

#include "sandbox/StandinServer.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

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

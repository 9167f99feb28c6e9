#include "LifePicsWorld.h"

#include "support/TestText.h"

#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "imaging/cGDIpToken.h"
#include "photoset/UploadWindow.h"
#include "photoset/clsTray.h"
#include "support/RecordingShell.h"
#include "support/RecordingUploadWindow.h"
#include "webkit/WebRequest.h"
#include "webservices/flows/LifePicsView.h"
#include "webservices/flows/LocalPrinter.h"
#include "webservices/flows/PrintFlow.h"
#include "webservices/flows/PrintWindows.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// frmLifePics as a record of what the flow did to it.
struct FakeLifePicsView : LifePicsView
{
    QString typedEmail, typedPassword;
    QList<bool> busy;
    QStringList statuses;
    int value = -1, maximum = -1;
    QList<int> values;
    std::function<void(int)> onStep; // runs after each step with the new value

    QString email() const override { return typedEmail; }
    QString password() const override { return typedPassword; }
    void SetBusy(bool on) override { busy << on; }
    void setStatus(const QString &text) override { statuses << text; }
    void setMeter(int, int v, int max) override
    {
        maximum = max;
        values << (value = v);
    }
    void stepMeter() override
    {
        values << ++value;
        if (onStep)
            onStep(value);
    }
    void processEvents() override {}
};

// The user's path through the print windows, scripted: Online in frmPrinter
// (local printing has its test with the real windows), and a number of
// logins in frmLifePics.
struct ScriptedPrintWindows : PrintWindows
{
    FakeLifePicsView view;
    int logins = 1; // Login presses per frmLifePics; the window closes by "Close" after them
    QStringList storedEmailsSeen;
    int printerShown = 0, lifePicsShown = 0;

    void showPrinter(PrintFlow &flow) override
    {
        ++printerShown;
        flow.printOnline();
    }
    void showLifePics(PrintFlow &flow) override
    {
        ++lifePicsShown;
        storedEmailsSeen << flow.storedEmail();
        for (int i = 0; i < logins; ++i) {
            if (flow.login(view))
                return;
        }
    }
};

class PrintFlowTest : public ::testing::Test
{
protected:
    LifePicsWorld world;
    cGDIpToken token;
    clsTray tray{world.state().DataFolder, &token};
    RecordingUploadWindow window;
    RecordingShell shell;
    ScriptedPrintWindows windows;
    struct : LocalPrinter
    {
        void print(const QStringList &) override { ADD_FAILURE() << "printed locally"; }
    } local;
    PrintFlow flow{world.state(), window, world.prompt, shell, world.config.lifePics, windows, local};

    PrintFlowTest()
    {
        world.state().PhotoTray = &tray;
        world.state().GdiplusToken = &token;
        windows.view.typedEmail = s(u"  prints@sandbox.example ");
        windows.view.typedPassword = QString::fromLatin1(LifePicsService::DemoPassword);
    }

    void addPhotos(int count)
    {
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(tray.AddPhoto(world.photo(s(u"photo%1.jpg").arg(i + 1), colours[i]), {}, {}));
        }
    }
    QJsonObject sessions() const { return world.lifePics().value(u"tokens").toObject(); }
};

TEST_F(PrintFlowTest, ThreePhotosReachTheCartWhichOpensInTheBrowser)
{
    addPhotos(3);
    flow.run();

    EXPECT_EQ(window.descriptionsApplied, 1);
    EXPECT_EQ(window.enabledHistory, (std::vector<bool>{false, true}));
    // The meter: 4 steps for 3 photos, at 1 once signed in, 4 at the end.
    EXPECT_EQ(windows.view.maximum, 4);
    EXPECT_EQ(windows.view.values, (QList<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(windows.view.busy, (QList<bool>{true, false}));
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(shell.opened.first().startsWith(world.server.baseUrl() + u"/AutoLogin.aspx?token="));
    EXPECT_EQ(world.cartOf(world.demoUser()).size(), 3);
    // The session ended, the e-mail is kept trimmed, and "Done!" comes last.
    ASSERT_EQ(sessions().size(), 1);
    EXPECT_TRUE(sessions().begin().value().toObject().value(u"expired").toBool());
    EXPECT_EQ(
        SettingsStore(world.state().SettingsFile).readOr(QString::fromLatin1(SettingsKey::LifePicsMail)),
        s(u"prints@sandbox.example"));
    ASSERT_FALSE(world.prompt.calls.isEmpty());
    EXPECT_EQ(world.prompt.calls.last().kind, s(u"done"));

    // The next time the sign-in window opens with the stored e-mail.
    flow.run();
    EXPECT_EQ(windows.storedEmailsSeen.last(), s(u"prints@sandbox.example"));
}

TEST_F(PrintFlowTest, CancelAfterTheSecondPhotoLeavesNoHalfCart)
{
    addPhotos(3);
    windows.view.onStep = [this](int value) {
        if (value == 3) // sign-in, then two photos
            flow.cancelPressed();
    };
    flow.run();

    EXPECT_EQ(world.prompt.callsOf(s(u"confirm")).size(), 1);
    EXPECT_TRUE(shell.opened.isEmpty());
    EXPECT_TRUE(world.cartOf(world.demoUser()).isEmpty());
    EXPECT_EQ(world.lifePics().value(u"images").toObject().size(), 2);
    EXPECT_TRUE(sessions().begin().value().toObject().value(u"expired").toBool());
    // The windows close with the confirmation window all the same.
    EXPECT_EQ(world.prompt.calls.last().kind, s(u"done"));
    EXPECT_EQ(window.enabledHistory.back(), true);
}

TEST_F(PrintFlowTest, RefusedSignInStaysInTheSignInViewUntilItSucceeds)
{
    addPhotos(1);
    windows.logins = 2;
    windows.view.typedPassword = s(u"wrong");
    int attempts = 0;
    world.prompt.onShow = [&](const ScriptedUserPrompt::Call &call) {
        if (call.kind == u"message" && ++attempts == 1)
            windows.view.typedPassword = QString::fromLatin1(LifePicsService::DemoPassword);
    };
    flow.run();

    const auto messages = world.prompt.callsOf(s(u"message"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].text,
              QStringLiteral(
                  "Unable to Authenticate with LifePics.\r\nPlease check E-mail/Password and try again."));
    EXPECT_EQ(messages[0].title, s(u"Flazz"));
    EXPECT_EQ(windows.view.busy, (QList<bool>{true, false, true, false}));
    EXPECT_EQ(world.cartOf(world.demoUser()).size(), 1);
}

TEST_F(PrintFlowTest, ServiceOutOfReachOrNoInternetStopsBeforeTheSession)
{
    addPhotos(1);
    world.state().InternetAvailable = false;
    flow.run();
    EXPECT_EQ(world.prompt.callsOf(s(u"internet")).size(), 1);
    EXPECT_EQ(world.server.requestCount(), 0);
    EXPECT_TRUE(windows.view.busy.isEmpty());

    world.state().InternetAvailable = true;
    ServiceConfig::LifePics away = world.config.lifePics;
    away.service = s(u"http://127.0.0.1:1");
    PrintFlow offline(world.state(), window, world.prompt, shell, away, windows, local);
    offline.run();
    EXPECT_EQ(world.prompt.callsOf(s(u"message")).value(0).text,
              s(u"Failed to initiate session with LifePics. Try again later."));
    EXPECT_EQ(windows.view.busy, (QList<bool>{true, false}));
    // No "Done!" when nothing was sent; the main window comes back.
    EXPECT_TRUE(world.prompt.callsOf(s(u"done")).isEmpty());
    EXPECT_EQ(window.enabledHistory, (std::vector<bool>{false, true, false, true}));
}

TEST_F(PrintFlowTest, EmptySetShowsMessage65Only)
{
    flow.run();
    ASSERT_EQ(world.prompt.calls.size(), 1);
    EXPECT_EQ(world.prompt.calls[0].text,
              s(u"Add one or more Photos to the Drop Zone. Then perform your desired activity."));
    EXPECT_EQ(windows.printerShown, 0);
}

} // namespace

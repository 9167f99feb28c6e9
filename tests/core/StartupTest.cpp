#include "core/app/Startup.h"
#include "core/AppState.h"
#include "core/app/StartupWindows.h"
#include "platform/InstanceGuard.h"
#include "support/ScriptedUserPrompt.h"
#include "support/TestEnvironment.h"
#include "support/TestText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <cstdio>

#include <gtest/gtest.h>

namespace {

// Records what start-up asked of its windows, in order.
class ScriptedStartupWindows : public StartupWindows
{
public:
    QStringList steps;

    void setSplashMode(const QString &mode) override { steps << QStringLiteral("mode:") + mode; }
    void showSplash() override { steps << QStringLiteral("splash"); }
    void loadHost(bool showMainWindow) override
    {
        steps << (showMainWindow ? QStringLiteral("host") : QStringLiteral("host:hidden"));
    }
    void enableInternetCheck() override { steps << QStringLiteral("timer"); }
};

// Another start of the program, with its own state and windows.
struct OtherStart
{
    AppState state;
    ScriptedUserPrompt prompt;
    ScriptedStartupWindows windows;
    Startup startup{state, prompt, windows};

    explicit OtherStart(const QString &lockName) { startup.setInstanceName(lockName); }
};

class StartupTest : public ::testing::Test
{
protected:
    TestEnvironment env;
    AppState state; // fresh: start-up works out the folders itself
    ScriptedUserPrompt prompt{&state};
    ScriptedStartupWindows windows;
    Startup startup{state, prompt, windows};
    const QString lockName = QStringLiteral("FlazzStartupTest");

    StartupTest() { startup.setInstanceName(lockName); }

    void writeSettings(const char *body) { env.writeFile(env.state().SettingsFile, body); }
};

TEST_F(StartupTest, ErrorArgumentShowsOnlyTheAdministratorMessage)
{
    writeSettings("<Settings><UploadSize>800</UploadSize><Skin>3</Skin><UploadPrompt>True</UploadPrompt>"
                  "<StartupPrompt>True</StartupPrompt></Settings>");
    EXPECT_EQ(startup.Main({QStringLiteral("Error")}), Startup::Outcome::Ended);

    ASSERT_EQ(prompt.calls.size(), 1);
    EXPECT_EQ(prompt.calls[0].text, Startup::AdminMessage);
    EXPECT_EQ(prompt.calls[0].style, 64);
    EXPECT_TRUE(windows.steps.isEmpty());
    // Neither folders nor settings were touched.
    EXPECT_TRUE(state.AppDataFolder.isEmpty());
    EXPECT_EQ(state.Skin, 0);
    EXPECT_FALSE(state.UploadPromptEnabled);

    // Matched exactly: any other argument, without another copy, starts with the splash.
    EXPECT_EQ(startup.Main({QStringLiteral("error")}), Startup::Outcome::Running);
    EXPECT_EQ(prompt.calls.size(), 1);
    EXPECT_TRUE(windows.steps.contains(QStringLiteral("splash")));
}

TEST_F(StartupTest, FirstInstanceShowsSplashThenHostThenStartsTheCheck)
{
    EXPECT_EQ(startup.Main({}), Startup::Outcome::Running);
    EXPECT_TRUE(prompt.calls.isEmpty());
    EXPECT_EQ(windows.steps, (QStringList{QStringLiteral("mode:Splash"), QStringLiteral("splash"),
                                          QStringLiteral("host"), QStringLiteral("timer")}));
    EXPECT_EQ(state.AppDataFolder, env.state().AppDataFolder);
    EXPECT_EQ(state.SettingsFile, env.state().SettingsFile);
    EXPECT_TRUE(state.InternetAvailable);
    EXPECT_EQ(state.MaxPhotos, 100);

    // While it runs, a later copy without arguments is turned away.
    OtherStart later(lockName);
    EXPECT_EQ(later.startup.Main({}), Startup::Outcome::Ended);
    ASSERT_EQ(later.prompt.calls.size(), 1);
    EXPECT_EQ(later.prompt.calls[0].text, Startup::AlreadyOpenMessage);
    EXPECT_TRUE(later.windows.steps.isEmpty());
}

TEST_F(StartupTest, ATrayStartShowsNoSplashNorWindowAndEndsQuietlyBesideARunningCopy)
{
    EXPECT_EQ(startup.Main({Startup::TrayOption}), Startup::Outcome::Running);
    EXPECT_EQ(windows.steps, (QStringList{QStringLiteral("host:hidden"), QStringLiteral("timer")}));
    EXPECT_TRUE(state.CommandLine.isEmpty());

    OtherStart later(lockName);
    EXPECT_EQ(later.startup.Main({Startup::TrayOption}), Startup::Outcome::Ended);
    EXPECT_TRUE(later.prompt.calls.isEmpty());
    EXPECT_TRUE(later.windows.steps.isEmpty());
}

TEST_F(StartupTest, PathsAreOpenedOnceTheHostIsUpOnlyWhenEveryArgumentIsOne)
{
    const QString photo = env.writeFile(QStringLiteral("in/a b.jpg"), "not looked at here");
    QStringList opened;
    QStringList stepsWhenOpened;
    startup.setOpenPaths([&](const QStringList &paths) {
        opened += paths;
        stepsWhenOpened = windows.steps;
    });
    // A relative path means the folder the start was made in.
    const QString started = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(env.root()));
    const Startup::Outcome outcome = startup.Main({photo, QStringLiteral("in")});
    QDir::setCurrent(started);
    EXPECT_EQ(outcome, Startup::Outcome::Running);
    EXPECT_EQ(opened, (QStringList{photo, env.path(QStringLiteral("in"))}));
    EXPECT_TRUE(stepsWhenOpened.contains(QStringLiteral("host")));

    // Beside a path, an argument that names nothing keeps its old meaning.
    OtherStart other(QStringLiteral("FlazzStartupTestOther"));
    other.startup.setOpenPaths([&](const QStringList &paths) { opened += paths; });
    opened.clear();
    EXPECT_EQ(other.startup.Main({photo, QStringLiteral("/upload")}), Startup::Outcome::Running);
    EXPECT_TRUE(opened.isEmpty());
}

// Beside a copy that does not listen, a start with arguments goes on in busy
// mode without a message, and opens the paths it was given itself.
TEST_F(StartupTest, SecondInstanceWithArgumentsGoesOnInBusyModeAndOpensItsOwnPaths)
{
    platform::InstanceGuard running(lockName);
    const QString photo = env.writeFile(QStringLiteral("in/a.jpg"), "not looked at here");
    QStringList opened;
    startup.setOpenPaths([&](const QStringList &paths) { opened += paths; });
    EXPECT_EQ(startup.Main({photo}), Startup::Outcome::Running);
    EXPECT_TRUE(prompt.calls.isEmpty());
    EXPECT_EQ(windows.steps,
              (QStringList{QStringLiteral("mode:Busy"), QStringLiteral("host"), QStringLiteral("timer")}));
    EXPECT_EQ(opened, QStringList{photo});
}

TEST_F(StartupTest, ReadsTheFourSettingsStrictlyAndLeavesABrokenFileAlone)
{
    writeSettings("<Settings><UploadSize>1024</UploadSize><Skin>4</Skin><UploadPrompt>True</UploadPrompt>"
                  "<StartupPrompt>true</StartupPrompt></Settings>");
    startup.Main({});
    EXPECT_EQ(state.UploadSize, 1024);
    EXPECT_EQ(state.Skin, 4);
    EXPECT_TRUE(state.UploadPromptEnabled);
    EXPECT_FALSE(state.StartupPromptEnabled); // only the exact "True" is on

    // Unreadable values fall back to the defaults.
    OtherStart unreadable(QStringLiteral("FlazzStartupTestAgain"));
    writeSettings("<Settings><UploadSize>big</UploadSize><Skin></Skin><UploadPrompt> True</UploadPrompt>"
                  "</Settings>");
    EXPECT_EQ(unreadable.startup.Main({}), Startup::Outcome::Running);
    EXPECT_EQ(unreadable.state.UploadSize, 0);
    EXPECT_EQ(unreadable.state.Skin, 0);
    EXPECT_FALSE(unreadable.state.UploadPromptEnabled);

    // A file that is not well-formed is neither repaired nor reported.
    OtherStart broken(QStringLiteral("FlazzStartupTestBroken"));
    writeSettings("<Settings><Skin>2</Skin>");
    EXPECT_EQ(broken.startup.Main({}), Startup::Outcome::Running);
    EXPECT_EQ(broken.state.Skin, 0);
    EXPECT_TRUE(broken.prompt.calls.isEmpty());
    EXPECT_EQ(readBytes(env.state().SettingsFile), QByteArray("<Settings><Skin>2</Skin>"));
}

TEST_F(StartupTest, MissingDataIsProvisionedBeforeTheSettingsAreRead)
{
    ASSERT_TRUE(QFile::remove(env.state().SettingsFile));
    bool createdWithFolders = false;
    startup.setCreateProcessObjects(
        [&](AppState &s) { createdWithFolders = !s.DataFolder.isEmpty() && QFile::exists(s.SettingsFile); });
    startup.Main({});
    EXPECT_TRUE(QFile::exists(state.SettingsFile));
    EXPECT_TRUE(createdWithFolders);
}

// One copy of the program's start-up in a process of its own: this test
// executable started again for the single case below, which runs start-up
// with the command line it is given, prints the outcome and holds on until
// its standard input closes.
class RunningCopy
{
public:
    explicit RunningCopy(const QString &commandLine)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("FLAZZ_STARTUP_COPY"), QStringLiteral("1"));
        environment.insert(QStringLiteral("FLAZZ_STARTUP_COMMAND_LINE"), commandLine);
        m_process.setProcessEnvironment(environment);
        m_process.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--gtest_filter=StartupCopy.RunsUntilItsInputCloses")});
        while (m_outcome.isEmpty() && m_process.waitForReadyRead(20000)) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine().trimmed();
                if (line.startsWith("outcome:"))
                    m_outcome = QString::fromLatin1(line.mid(8));
            }
        }
    }
    ~RunningCopy() { stop(); }

    void kill()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    QString outcome() const { return m_outcome; }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(20000))
            m_process.kill();
    }

private:
    QProcess m_process;
    QString m_outcome;
};

TEST(StartupCopy, RunsUntilItsInputCloses)
{
    if (qEnvironmentVariable("FLAZZ_STARTUP_COPY") != u"1")
        GTEST_SKIP() << "only run as a copy started by another test";
    OtherStart copy(QStringLiteral("FlazzCopies"));
    const Startup::Outcome outcome =
        copy.startup.Main(qEnvironmentVariable("FLAZZ_STARTUP_COMMAND_LINE").split(u' ', Qt::SkipEmptyParts));
    std::printf("outcome:%s\n", outcome == Startup::Outcome::Running ? "Running" : "Ended");
    std::fflush(stdout);
    QFile input;
    ASSERT_TRUE(input.open(stdin, QIODevice::ReadOnly));
    input.readAll(); // until the starter closes it
}

TEST(StartupAcrossProcesses, EveryRunningCopyCountsWhateverItWasStartedWith)
{
    TestEnvironment env; // shared by the copies through the environment
    RunningCopy a{QString()};
    ASSERT_EQ(a.outcome(), QStringLiteral("Running"));
    RunningCopy b{QStringLiteral("/upload photo.jpg")};
    ASSERT_EQ(b.outcome(), QStringLiteral("Running")); // busy mode beside A
    RunningCopy c{QString()};
    EXPECT_EQ(c.outcome(), QStringLiteral("Ended")); // refused while A runs
    a.stop();

    // A has gone, B still runs: a copy without arguments is still refused.
    RunningCopy d{QString()};
    EXPECT_EQ(d.outcome(), QStringLiteral("Ended"));
    b.stop();
    c.stop();
    d.stop();

    // Nobody runs any more, and the locks they left are no obstacle; nor is
    // the lock file of a copy that was killed.
    RunningCopy e{QString()};
    EXPECT_EQ(e.outcome(), QStringLiteral("Running"));
    e.kill();
    ASSERT_EQ(QDir(env.root()).entryList({QStringLiteral("FlazzCopies.instance.*.lock")}).size(), 1);
    RunningCopy next{QString()};
    EXPECT_EQ(next.outcome(), QStringLiteral("Running"));
}

} // namespace

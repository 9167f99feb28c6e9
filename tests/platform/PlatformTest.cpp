#include "platform/AtomicFile.h"
#include "platform/InstanceGuard.h"
#include "platform/OrderedWork.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "support/TestEnvironment.h"
#include "support/TestText.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using namespace platform;

namespace {

TEST(ShellFolders, OverrideRootHoldsEveryFolder)
{
    TestEnvironment env;
    for (ShellFolder f : {ShellFolder::Desktop, ShellFolder::DesktopDirectory, ShellFolder::CommonAppData,
                          ShellFolder::LocalAppData, ShellFolder::InternetCache, ShellFolder::ProgramFiles}) {
        EXPECT_TRUE(shellFolder(f).startsWith(env.root() + QLatin1Char('/'))) << int(f);
    }
    EXPECT_EQ(shellFolder(ShellFolder::Desktop), shellFolder(ShellFolder::DesktopDirectory));
    EXPECT_EQ(env.state().SettingsFile,
              env.root() + QStringLiteral("/CommonAppData/Korvantis/Flazz/Data/Settings.xml"));
}

TEST(Registry, ReadsValuesCaseInsensitiveKeysAndFallsBack)
{
    TestEnvironment env;
    env.setRegistryValue(QStringLiteral("Software\\Skype\\Phone"), QStringLiteral("SkypePath"),
                         QStringLiteral("/opt/skype/skype"));
    env.setRegistryValue(QStringLiteral("Software\\Dropbox"), QStringLiteral("InstallPath"), QString());
    EXPECT_EQ(GetRegString(Hive::CurrentUser, QStringLiteral("software\\skype\\phone"),
                           QStringLiteral("SkypePath")),
              QStringLiteral("/opt/skype/skype"));
    // Zero-length and missing values give the default.
    EXPECT_EQ(GetRegString(Hive::CurrentUser, QStringLiteral("Software\\Dropbox"),
                           QStringLiteral("InstallPath"), QStringLiteral("none")),
              QStringLiteral("none"));
    EXPECT_EQ(GetRegString(Hive::CurrentUser, QStringLiteral("Software\\Microsoft\\SkyDrive"),
                           QStringLiteral("UserFolder"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST(AtomicFile, ReplacesWholeAndOwnerOnly)
{
    TestEnvironment env;
    const QString path = env.writeFile(QStringLiteral("f.xml"), "old");
    ASSERT_TRUE(writeFileAtomically(path, "new contents", FileAccess::OwnerOnly));
    EXPECT_EQ(readBytes(path), QByteArray("new contents"));
    EXPECT_EQ(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                          QFileDevice::WriteGroup | QFileDevice::WriteOther),
              QFileDevice::Permissions());
}

// A process killed in the middle of a save must leave the old file whole.
TEST(AtomicFile, KilledWriterLeavesOldFile)
{
    if (qEnvironmentVariableIsSet("FLAZZ_ATOMIC_CHILD")) {
        // Child: write a big file forever until killed.
        const QByteArray huge(64 * 1024 * 1024, 'x');
        for (;;)
            writeFileAtomically(qEnvironmentVariable("FLAZZ_ATOMIC_CHILD"), huge);
    }
    TestEnvironment env;
    const QByteArray original = "<Settings><Skin>1</Skin></Settings>";
    const QString path = env.writeFile(QStringLiteral("Settings.xml"), original);

    QProcess child;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("FLAZZ_ATOMIC_CHILD"), path);
    child.setProcessEnvironment(e);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=AtomicFile.KilledWriterLeavesOldFile")});
    ASSERT_TRUE(child.waitForStarted());
    QThread::msleep(400);
    child.kill();
    child.waitForFinished();

    const QByteArray now = readBytes(path);
    // Either the old file or a complete new one, never a truncated mix.
    EXPECT_TRUE(now == original || now.size() == 64 * 1024 * 1024) << now.size();
}

TEST(OrderedWork, ResultsComeBackInQueueOrderWhateverOrderTheyFinishIn)
{
    OrderedWork<int> work(3);
    std::atomic<int> running{0};
    std::atomic<int> most{0};
    QList<int> taken;
    for (int i = 0; i < 12; ++i) {
        if (!work.wantsMore())
            taken << *work.takeFront();
        work.push([i, &running, &most] {
            most = std::max(most.load(), ++running);
            QThread::msleep(i % 3 == 0 ? 40 : 2); // early jobs finish last
            --running;
            return i;
        });
    }
    while (!work.empty())
        taken << *work.takeFront();
    EXPECT_EQ(taken, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_GT(most.load(), 1);
    EXPECT_LE(most.load(), 3);
}

TEST(OrderedWork, AWaitCanBeGivenUpAndQueuedJobsAbandoned)
{
    OrderedWork<int> work(1);
    std::atomic<bool> release{false};
    std::atomic<int> ran{0};
    work.push([&] {
        while (!release)
            QThread::msleep(1);
        ++ran;
        return 1;
    });
    work.push([&] { return ++ran, 2; });
    int pumps = 0;
    EXPECT_FALSE(work.takeFront([&] { return ++pumps < 3; }, std::chrono::milliseconds(5)).has_value());
    EXPECT_EQ(pumps, 3);
    EXPECT_FALSE(work.empty()); // the job waits in line still

    work.dropFront(); // its result is no longer wanted
    release = true;
    EXPECT_EQ(work.takeFront().value_or(0), 2);

    std::atomic<bool> started{false};
    work.push([&] {
        started = true;
        QThread::msleep(30);
        return ++ran, 3;
    });
    work.push([&] { return ++ran, 4; });
    while (!started) // the first runs, the second waits for the one thread
        QThread::msleep(1);
    work.abandon();
    EXPECT_TRUE(work.empty());
    EXPECT_EQ(ran.load(), 3); // the running job finished, the queued one never ran
}

TEST(InstanceGuard, EveryGuardCountsUntilItGoes)
{
    TestEnvironment env;
    auto first = std::make_unique<InstanceGuard>(QStringLiteral("FlazzTest"));
    EXPECT_FALSE(first->PrevInstance());
    auto second = std::make_unique<InstanceGuard>(QStringLiteral("FlazzTest"));
    EXPECT_TRUE(second->PrevInstance());
    EXPECT_FALSE(InstanceGuard(QStringLiteral("OtherProgram")).PrevInstance());

    first.reset();
    EXPECT_TRUE(InstanceGuard(QStringLiteral("FlazzTest")).PrevInstance()); // the second still runs
    second.reset();
    EXPECT_FALSE(InstanceGuard(QStringLiteral("FlazzTest")).PrevInstance());
}

} // namespace

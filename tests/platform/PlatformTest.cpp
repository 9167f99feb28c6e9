#include "platform/AtomicFile.h"
#include "platform/Autostart.h"
#include "platform/InstallLayout.h"
#include "platform/InstanceGuard.h"
#include "platform/OrderedWork.h"
#include "platform/PathHandOff.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "support/TestEnvironment.h"
#include "support/TestText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

using namespace platform;

namespace {

// Shell folders and the registry stand-in live under the test's own root.
TEST(ShellFoldersAndRegistry, EveryFolderIsUnderTheRootAndValuesReadCaseInsensitivelyWithAFallBack)
{
    TestEnvironment env;
    for (ShellFolder f : {ShellFolder::Desktop, ShellFolder::DesktopDirectory, ShellFolder::CommonAppData,
                          ShellFolder::LocalAppData, ShellFolder::InternetCache, ShellFolder::ProgramFiles}) {
        EXPECT_TRUE(shellFolder(f).startsWith(env.root() + QLatin1Char('/'))) << int(f);
    }
    EXPECT_EQ(shellFolder(ShellFolder::Desktop), shellFolder(ShellFolder::DesktopDirectory));
    EXPECT_EQ(env.state().SettingsFile,
              env.root() + QStringLiteral("/CommonAppData/Korvantis/Flazz/Data/Settings.xml"));

    env.setRegistryValue(QStringLiteral("Software\\Skype\\Phone"), QStringLiteral("SkypePath"),
                         QStringLiteral("/opt/skype/skype"));
    env.setRegistryValue(QStringLiteral("Software\\Dropbox"), QStringLiteral("InstallPath"), QString());
    EXPECT_EQ(GetRegString(Hive::CurrentUser, QStringLiteral("software\\skype\\phone"),
                           QStringLiteral("SkypePath")),
              QStringLiteral("/opt/skype/skype"));
    // Zero-length and missing values give the default.
    for (const char *key : {"Software\\Dropbox", "Software\\Microsoft\\SkyDrive"})
        EXPECT_EQ(GetRegString(Hive::CurrentUser, QLatin1String(key), QStringLiteral("InstallPath"),
                               QStringLiteral("d")),
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
    // Once one save went through the child is busy with the next: kill it there.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(path).size() == 64 * 1024 * 1024; }, 60000));
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
    std::array<std::atomic<bool>, 12> finished{};
    QList<int> taken;
    for (int i = 0; i < 12; ++i) {
        if (!work.wantsMore())
            taken << *work.takeFront();
        work.push([i, &running, &most, &finished] {
            most = std::max(most.load(), ++running);
            // Every third job waits for the two after it, so early jobs finish last.
            if (i % 3 == 0) {
                EXPECT_TRUE(QTest::qWaitFor([&] { return finished[i + 1] && finished[i + 2]; }, 30000));
            }
            --running;
            finished[i] = true;
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
        EXPECT_TRUE(QTest::qWaitFor([&] { return release.load(); }, 30000));
        return ++ran, 1;
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
    std::atomic<bool> abandoning{false};
    work.push([&] {
        started = true;
        EXPECT_TRUE(QTest::qWaitFor([&] { return abandoning.load(); }, 30000));
        return ++ran, 3;
    });
    work.push([&] { return ++ran, 4; });
    // The first runs, the second waits for the one thread.
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.load(); }, 30000));
    work.abandon([&] { abandoning = true; });
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

TEST(InstallLayout, AnInstalledTreeIsFoundFromItsProgramsFolderAndABuildFolderBesideThem)
{
    TestEnvironment tree;
    const QString bin = tree.path(QStringLiteral("usr/bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    EXPECT_EQ(helperProgram(QStringLiteral("flazz-uploader"), bin), bin + QStringLiteral("/flazz-uploader"));
    EXPECT_TRUE(installedDataFolder(bin).isEmpty());

    const QString helper = tree.writeFile(QStringLiteral("usr/libexec/flazz/flazz-uploader"), {});
    ASSERT_TRUE(QDir().mkpath(tree.path(QStringLiteral("usr/share/flazz"))));
    EXPECT_NE(helperProgram(QStringLiteral("flazz-uploader"), bin), helper); // not a program yet
    ASSERT_TRUE(QFile::setPermissions(helper, QFile::permissions(helper) | QFile::ExeOwner));
    EXPECT_EQ(helperProgram(QStringLiteral("flazz-uploader"), bin), helper);
    EXPECT_EQ(installedDataFolder(bin), tree.path(QStringLiteral("usr/share/flazz")));
}

TEST(Autostart, TheEntryStartsTheProgramAsGivenAndCountsAsOffWhereverTheDesktopSaysSo)
{
    TestEnvironment env;
    const Autostart entry(QStringLiteral("com.example.Test"), QStringLiteral("Flazz"),
                          {QStringLiteral("/opt/My Programs/flazz$1%"), QStringLiteral("--tray")});
    EXPECT_EQ(entry.entryPath(),
              shellFolder(ShellFolder::Startup) + QStringLiteral("/com.example.Test.desktop"));
    EXPECT_FALSE(entry.enabled());
    ASSERT_TRUE(entry.setEnabled(true));
    EXPECT_TRUE(entry.enabled());
    // Quoted for the command line, then escaped again as the value of a key.
    const QByteArray text = readBytes(entry.entryPath());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nExec=\"/opt/My Programs/flazz\\\\$1%%\" --tray\n")) << text.constData();

    // The desktop's own start-up settings switch it off in place.
    ASSERT_TRUE(writeFileAtomically(entry.entryPath(), entry.entry() + "Hidden=true\n"));
    EXPECT_FALSE(entry.enabled());
    ASSERT_TRUE(entry.setEnabled(false));
    EXPECT_FALSE(QFile::exists(entry.entryPath()));
    EXPECT_TRUE(entry.setEnabled(false));
}

// A later start in a thread of its own, as it would be a process of its own,
// while this thread runs the listening copy's event loop.
bool handOverFromAnotherStart(const std::function<bool()> &start)
{
    std::atomic<int> result{-1};
    std::thread later([&] { result = start() ? 1 : 0; });
    const bool ended = QTest::qWaitFor([&] { return result != -1; }, 30000);
    later.join();
    return ended && result == 1;
}

TEST(PathHandOff, PathsReachTheListeningCopyWholeAndNothingElseGetsIn)
{
    TestEnvironment env;
    const QString dataFolder = env.state().AppDataFolder;
    PathHandOff running(QStringLiteral("FlazzTest"), dataFolder);
    {
        QFile left(running.socketPath()); // by a copy that died
        ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    }
    QList<QStringList> received;
    ASSERT_TRUE(running.listen([&](const QStringList &paths) { received << paths; }));
    EXPECT_EQ(QFileInfo(running.socketPath()).permissions() &
                  (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());

    const QStringList paths{QStringLiteral("/photos/a b.jpg"), QStringLiteral("/photos/two\nlines.png"),
                            QString::fromUtf8("/fotos/\xc3\xbcn \xe6\xb0\xb4.gif")};
    EXPECT_TRUE(handOverFromAnotherStart(
        [&] { return PathHandOff(QStringLiteral("FlazzTest"), dataFolder).handOver(paths); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !received.isEmpty(); }, 10000));
    EXPECT_EQ(received, QList<QStringList>{paths});

    // Another data folder, or another program, is another copy's door.
    EXPECT_FALSE(
        PathHandOff(QStringLiteral("FlazzTest"), dataFolder + QStringLiteral("x")).handOver(paths, 2000));
    EXPECT_FALSE(PathHandOff(QStringLiteral("Other"), dataFolder).handOver(paths, 2000));

    // A message past the limit is cut off unanswered, and the door stays open.
    EXPECT_TRUE(handOverFromAnotherStart([&] {
        QLocalSocket socket;
        socket.connectToServer(running.socketPath());
        if (!socket.waitForConnected(5000))
            return false;
        socket.write(QByteArray(PathHandOff::MaxBytes + 1, 'x'));
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(5000)) {
        }
        const bool cutOff =
            socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(5000);
        return cutOff && socket.readAll().isEmpty();
    }));
    EXPECT_TRUE(handOverFromAnotherStart([&] {
        return PathHandOff(QStringLiteral("FlazzTest"), dataFolder).handOver({QStringLiteral("/b.png")});
    }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 10000));
}

} // namespace

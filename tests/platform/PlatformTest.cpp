#include "platform/AtomicFile.h"
#include "platform/InstanceGuard.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "support/TestEnvironment.h"
#include "support/TestText.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

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

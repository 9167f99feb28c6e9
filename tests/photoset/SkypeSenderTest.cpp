#include "ExportTestSupport.h"

#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "photoset/SkypeSender.h"
#include "platform/Shell.h"

#include "support/TestEnvironment.h"
#include "support/TestText.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kRegistryKey = QStringLiteral("Software\\Skype\\Phone");

struct SkypeWorld : FlowWorld<SkypeSender>
{
    SkypeWorld() { flow.setLocator(&prompt); }

    void addPhotos(int n)
    {
        for (int i = 0; i < n; ++i)
            add(QStringLiteral("p/%1.jpg").arg(i), pictureBytes(900 + i, 600, "jpeg"));
        ASSERT_EQ(tray.Count(), n);
    }
    QString program(const QString &name)
    {
        return env.writeFile(QStringLiteral("programs/") + name, "#!/bin/sh\n");
    }
    QString storedPath()
    {
        return SettingsStore(state().SettingsFile).readOr(QLatin1String(SettingsKey::SkypePath));
    }
    void store(const QString &path)
    {
        SettingsStore(state().SettingsFile).write(QLatin1String(SettingsKey::SkypePath), path);
    }
};

} // namespace

TEST(GetSkypePath, SettingsThenRegistryThenNothing)
{
    SkypeWorld w;
    const QString fromSettings = w.program(QStringLiteral("skype-a"));
    const QString fromRegistry = w.program(QStringLiteral("skype-b"));

    w.store(fromSettings);
    w.env.setRegistryValue(kRegistryKey, QStringLiteral("SkypePath"), fromRegistry);
    EXPECT_TRUE(GetSkypePath(w.state()));
    EXPECT_EQ(w.state().SkypePath, fromSettings);

    // A stale stored path falls back to the registry, which is not copied
    // into the settings.
    QFile::remove(fromSettings);
    EXPECT_TRUE(GetSkypePath(w.state()));
    EXPECT_EQ(w.state().SkypePath, fromRegistry);
    EXPECT_EQ(w.storedPath(), fromSettings);

    QFile::remove(fromRegistry);
    EXPECT_FALSE(GetSkypePath(w.state()));
    EXPECT_TRUE(w.state().SkypePath.isEmpty());
}

TEST(SkypeSender, ZipsIntoTheSkypeFolderAndHandsTheArchiveToSkype)
{
    SkypeWorld w;
    w.addPhotos(3);
    w.state().UploadSize = 800;
    const QString skype = w.program(QStringLiteral("skype"));
    w.store(skype);

    w.flow.run();

    const QString archive = SkypeFolder() + QStringLiteral("/Flazz -04Dec2026-153012.zip");
    EXPECT_TRUE(SkypeFolder().endsWith(QStringLiteral("/Flazz/Skype")));
    EXPECT_EQ(readZip(archive).size(), 3u);
    ASSERT_EQ(w.shell.started.size(), 1);
    EXPECT_EQ(w.shell.started[0].program, skype);
    EXPECT_EQ(w.shell.started[0].arguments, SkypeArguments(archive));
    // Scaled photos count against the number of photos.
    EXPECT_EQ(w.window.maximumHistory, (std::vector<int>{100, 3}));
    EXPECT_EQ(w.window.value, 3);
    EXPECT_EQ(w.prompt.callsOf(QStringLiteral("done")).size(), 1);
    EXPECT_TRUE(w.window.enabledAtEnd());

    // At the original size the meter stays at one hundred; a dialog that is
    // open keeps "Done!" away.
    w.window.maximumHistory.clear();
    w.state().UploadSize = 0;
    w.state().ModalFormOpen = true;
    w.flow.run();
    EXPECT_EQ(w.window.maximumHistory, (std::vector<int>{100}));
    EXPECT_EQ(w.shell.started.size(), 2);
    EXPECT_EQ(w.prompt.callsOf(QStringLiteral("done")).size(), 1);
}

// Without a choice, or without the internet, the flow stops quietly with
// the window enabled and nothing written.
TEST(SkypeSender, UnknownSkypeIsAskedForUntilChosenAndTheChoiceIsRemembered)
{
    SkypeWorld w;
    w.addPhotos(1);
    w.flow.run(); // the locator is dismissed
    EXPECT_TRUE(w.shell.started.isEmpty());
    EXPECT_FALSE(QDir(SkypeFolder()).exists());

    const QString chosen = w.program(QStringLiteral("located-skype"));
    w.prompt.fileAnswers.push_back({chosen});
    w.flow.run();
    const auto asked = w.prompt.callsOf(QStringLiteral("skype"));
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(w.storedPath(), chosen);
    ASSERT_EQ(w.shell.started.size(), 1);
    EXPECT_EQ(w.shell.started[0].program, chosen);

    w.flow.run(); // the stored path is found: nobody is asked
    EXPECT_EQ(w.prompt.callsOf(QStringLiteral("skype")).size(), 2);
    EXPECT_EQ(w.shell.started.size(), 2);

    QDir(SkypeFolder()).removeRecursively();
    w.state().InternetAvailable = false;
    w.flow.run();
    EXPECT_EQ(w.prompt.callsOf(QStringLiteral("internet")).size(), 1);
    EXPECT_EQ(w.shell.started.size(), 2);
    EXPECT_FALSE(QDir(SkypeFolder()).exists());
    EXPECT_TRUE(w.window.enabledAtEnd());
}

// What is left out is said by the archive flow both buttons share; Skype
// still gets what was written.
TEST(SkypeSender, APhotoGoneSinceItWasAddedIsLeftOutAndSkypeGetsTheArchiveWritten)
{
    SkypeWorld w;
    w.addPhotos(2);
    w.store(w.program(QStringLiteral("skype")));
    QFile::remove(w.tray.PhotoInfo(1, PhotoField::FilePath));
    w.flow.run();
    ASSERT_EQ(w.shell.started.size(), 1);
    EXPECT_EQ(readZip(SkypeFolder() + QStringLiteral("/Flazz -04Dec2026-153012.zip")).size(), 1u);
    EXPECT_EQ(w.prompt.callsOf(QStringLiteral("message")).size(), 1);
}

TEST(SkypeSender, TheDesktopShellReallyStartsTheProgramWithTheArguments)
{
    TestEnvironment env;
    const QString record = env.path(QStringLiteral("args.txt"));
    const QString script =
        env.writeFile(QStringLiteral("bin/fake skype"),
                      "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"" + record.toUtf8() +
                          ".part\"\nmv \"" + record.toUtf8() + ".part\" \"" + record.toUtf8() + "\"\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
    const QString archive = env.path(QStringLiteral("Desktop/Flazz/Skype/Flazz -04Dec2026-153012.zip"));

    platform::DesktopShell shell;
    ASSERT_TRUE(shell.startProgram(script, SkypeArguments(archive), QString()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(record); }, 30000));
    EXPECT_EQ(QString::fromUtf8(readBytes(record)),
              QStringLiteral("[/sendto:]\n[") + archive + QStringLiteral("]\n"));
}

// The desktop-client prompts, shown offscreen and clicked as a user would.

#include "cloudfolders/ui/frmPluginsPrompt.h"
#include "cloudfolders/ui/frmShowUploadPrompt.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "support/RecordingShell.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

ServiceConfig::DesktopClients pages()
{
    return {QStringLiteral("http://dropbox.test/install"), QStringLiteral("http://drive.test/install"),
            QStringLiteral("http://skydrive.test/install")};
}

QString setting(TestEnvironment &env, const char *key)
{
    return SettingsStore(env.state().SettingsFile).readOr(QLatin1String(key));
}

} // namespace

TEST(PluginsPrompt, OnlyTheMissingClientOffersItsDownloadPage)
{
    TestEnvironment env;
    RecordingShell shell;
    // A folder of blanks is no folder.
    const SyncFolders folders{QStringLiteral("  "), QStringLiteral("/s/"), QStringLiteral("/g/")};
    frmPluginsPrompt window(env.state(), folders, pages(), shell);
    window.show();

    EXPECT_EQ(window.windowTitle(), u"Flazz");
    EXPECT_EQ(window.titleLabel()->text(), u"Information");
    EXPECT_EQ(window.lblMessage()->text(), u"Flazz has found that you do not have the Desktop versions of "
                                           u"one or more of the following services. "
                                           u"It is recommended that you download these versions:");
    EXPECT_EQ(window.lblSkydrive()->text(), u"1) Skydrive - Installed");
    EXPECT_EQ(window.lblgdrive()->text(), u"2) Google Drive -Installed");
    EXPECT_EQ(window.lbldropbox()->text(), u"3) Dropbox -");
    EXPECT_TRUE(window.lbldropboxdownload()->isVisible());
    EXPECT_FALSE(window.lblskydrivedownload()->isVisible());
    EXPECT_FALSE(window.lblgdrivedownload()->isVisible());
    EXPECT_EQ(window.lbldropboxdownload()->text(), u"Click to Download");
    EXPECT_EQ(window.chkDoNotShowMeAgain()->text(), u"Don't show this message again");

    QTest::mouseClick(window.lbldropboxdownload(), Qt::RightButton);
    EXPECT_TRUE(shell.opened.isEmpty());
    QTest::mouseClick(window.lbldropboxdownload(), Qt::LeftButton);
    QTest::mouseClick(window.lbldropboxdownload(), Qt::MiddleButton);
    EXPECT_EQ(shell.opened, (QList<QString>{pages().dropbox, pages().dropbox}));
}

TEST(PluginsPrompt, NoClientInstalledOffersAllThree)
{
    TestEnvironment env;
    RecordingShell shell;
    frmPluginsPrompt window(env.state(), {}, pages(), shell);
    window.show();
    for (QLabel *link :
         {window.lbldropboxdownload(), window.lblgdrivedownload(), window.lblskydrivedownload()})
        EXPECT_TRUE(link->isVisible());
    QTest::mouseClick(window.lblgdrivedownload(), Qt::LeftButton);
    QTest::mouseClick(window.lblskydrivedownload(), Qt::LeftButton);
    EXPECT_EQ(shell.opened, (QList<QString>{pages().googleDrive, pages().skyDrive}));
}

TEST(PluginsPrompt, TheCheckBoxSwitchesItOffForGood)
{
    TestEnvironment env;
    RecordingShell shell;
    env.state().StartupPromptEnabled = true;
    {
        frmPluginsPrompt window(env.state(), {}, pages(), shell);
        window.show();
        QTest::mouseClick(window.cmdOK(), Qt::LeftButton);
        EXPECT_FALSE(window.isVisible());
        EXPECT_TRUE(env.state().StartupPromptEnabled);
        EXPECT_EQ(setting(env, SettingsKey::StartupPrompt), u"True");
    }
    {
        frmPluginsPrompt window(env.state(), {}, pages(), shell);
        window.show();
        window.chkDoNotShowMeAgain()->setChecked(true);
        QTest::mouseClick(window.cmdOK(), Qt::LeftButton);
        EXPECT_FALSE(env.state().StartupPromptEnabled);
        EXPECT_EQ(setting(env, SettingsKey::StartupPrompt), u"False");
    }
    // Without a settings file the notice is still off for this run.
    env.state().StartupPromptEnabled = true;
    QFile::remove(env.state().SettingsFile);
    frmPluginsPrompt window(env.state(), {}, pages(), shell);
    window.show();
    window.chkDoNotShowMeAgain()->setChecked(true);
    QTest::mouseClick(window.cmdOK(), Qt::LeftButton);
    EXPECT_FALSE(env.state().StartupPromptEnabled);
}

TEST(UploadPrompt, SaysTheUploadGoesOnAndCanBeSwitchedOff)
{
    TestEnvironment env;
    env.state().UploadPromptEnabled = true;
    {
        frmShowUploadPrompt window(env.state());
        window.show();
        EXPECT_EQ(window.titleLabel()->text(), u"Important ");
        EXPECT_TRUE(window.lblMessage()->text().startsWith(u"\"Your Photos have been Flazzed to the selected "
                                                           u"service\". Depending on their size and number"));
        EXPECT_TRUE(window.lblMessage()->text().endsWith(u"re-Flazz the incomplete process in such a case."));
        QTest::mouseClick(window.cmdOK(), Qt::LeftButton);
        EXPECT_TRUE(env.state().UploadPromptEnabled);
        EXPECT_EQ(setting(env, SettingsKey::UploadPrompt), u"True");
    }
    {
        frmShowUploadPrompt window(env.state());
        window.show();
        window.chkDoNotShowMeAgain()->setChecked(true);
        QTest::mouseClick(window.cmdOK(), Qt::LeftButton);
        EXPECT_FALSE(env.state().UploadPromptEnabled);
        EXPECT_EQ(setting(env, SettingsKey::UploadPrompt), u"False");
    }
    // A settings file that cannot keep the choice leaves the notice on.
    env.state().UploadPromptEnabled = true;
    QFile::remove(env.state().SettingsFile);
    frmShowUploadPrompt window(env.state());
    window.show();
    window.chkDoNotShowMeAgain()->setChecked(true);
    QTest::mouseClick(window.cmdOK(), Qt::LeftButton);
    EXPECT_TRUE(env.state().UploadPromptEnabled);
}

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

using namespace Qt::StringLiterals;

namespace {

ServiceConfig::DesktopClients pages()
{
    return {u"http://dropbox.test/install"_s, u"http://drive.test/install"_s,
            u"http://skydrive.test/install"_s};
}

QString setting(TestEnvironment &env, const char *key)
{
    return SettingsStore(env.state().SettingsFile).readOr(QLatin1String(key));
}

} // namespace

// Each missing client offers its download page (a folder of blanks is no
// folder); a left or middle click opens it, a right click does not.
TEST(PluginsPrompt, OnlyTheMissingClientsOfferTheirDownloadPages)
{
    TestEnvironment env;
    RecordingShell shell;
    frmPluginsPrompt one(env.state(), {u"  "_s, u"/s/"_s, u"/g/"_s}, pages(), shell);
    one.show();
    EXPECT_EQ(one.lbldropbox()->text(), u"3) Dropbox -");
    EXPECT_EQ(one.lblSkydrive()->text(), u"1) Skydrive - Installed");
    EXPECT_TRUE(one.lbldropboxdownload()->isVisible());
    EXPECT_FALSE(one.lblskydrivedownload()->isVisible() || one.lblgdrivedownload()->isVisible());
    QTest::mouseClick(one.lbldropboxdownload(), Qt::RightButton);
    EXPECT_TRUE(shell.opened.isEmpty());
    QTest::mouseClick(one.lbldropboxdownload(), Qt::LeftButton);
    QTest::mouseClick(one.lbldropboxdownload(), Qt::MiddleButton);

    frmPluginsPrompt all(env.state(), {}, pages(), shell);
    all.show();
    QTest::mouseClick(all.lblgdrivedownload(), Qt::LeftButton);
    QTest::mouseClick(all.lblskydrivedownload(), Qt::LeftButton);
    EXPECT_TRUE(all.lbldropboxdownload()->isVisible());
    EXPECT_EQ(shell.opened,
              (QList<QString>{pages().dropbox, pages().dropbox, pages().googleDrive, pages().skyDrive}));
}

// Both notices can be switched off for good; without a settings file to
// keep the choice, the plugins notice is off for this run only and the
// upload notice stays on.
TEST(ClientPrompts, TheCheckBoxSwitchesEachOffForGood)
{
    TestEnvironment env;
    RecordingShell shell;
    AppState &state = env.state();
    const auto answer = [&](bool neverAgain) {
        frmPluginsPrompt plugins(state, {}, pages(), shell);
        frmShowUploadPrompt upload(state);
        plugins.show();
        upload.show();
        plugins.chkDoNotShowMeAgain()->setChecked(neverAgain);
        upload.chkDoNotShowMeAgain()->setChecked(neverAgain);
        QTest::mouseClick(plugins.cmdOK(), Qt::LeftButton);
        QTest::mouseClick(upload.cmdOK(), Qt::LeftButton);
        EXPECT_FALSE(plugins.isVisible() || upload.isVisible());
    };
    state.StartupPromptEnabled = state.UploadPromptEnabled = true;
    answer(false);
    EXPECT_TRUE(state.StartupPromptEnabled && state.UploadPromptEnabled);
    EXPECT_EQ(setting(env, SettingsKey::StartupPrompt), u"True");
    EXPECT_EQ(setting(env, SettingsKey::UploadPrompt), u"True");
    answer(true);
    EXPECT_FALSE(state.StartupPromptEnabled || state.UploadPromptEnabled);
    EXPECT_EQ(setting(env, SettingsKey::StartupPrompt), u"False");
    EXPECT_EQ(setting(env, SettingsKey::UploadPrompt), u"False");

    state.StartupPromptEnabled = state.UploadPromptEnabled = true;
    QFile::remove(state.SettingsFile);
    answer(true);
    EXPECT_FALSE(state.StartupPromptEnabled);
    EXPECT_TRUE(state.UploadPromptEnabled);
}

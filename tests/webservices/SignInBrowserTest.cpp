#include "cloudfolders/clsGoogle.h"
#include "cloudfolders/clsSkydrive.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "sandbox/Sandbox.h"
#include "sandbox/SandboxServices.h"
#include "sandbox/services/FacebookService.h"
#include "sandbox/services/GoogleService.h"
#include "support/AllowSignIn.h"
#include "support/RecordingShell.h"
#include "support/ScriptedUserPrompt.h"
#include "support/TestEnvironment.h"
#include "support/TestText.h"
#include "webkit/ui/QtSignIn.h"
#include "webservices/clsFacebook.h"

#include <gtest/gtest.h>

namespace {

TEST(SignInBrowser, FacebookGoogleAndSkyDriveSignInThroughTheRealWindow)
{
    TestEnvironment env;
    const Sandbox sandbox(env.path(s(u"sandbox")), sandboxServices());
    const ServiceConfig config = sandbox.config();

    RecordingShell shell;
    QtSignIn signIn(env.state(), config, shell);
    signIn.setEndProgram([] { ADD_FAILURE() << "the program ended"; });
    ScriptedUserPrompt ui(&env.state());
    const SettingsStore settings(env.state().SettingsFile);
    const auto stored = [&settings](const char *key) { return settings.readOr(QString::fromLatin1(key)); };

    clsFacebook fb(env.state(), config, signIn, ui);
    allowOnceLoaded(s(u"/dialog/oauth"));
    EXPECT_TRUE(fb.CreateFacebookAccount());
    EXPECT_EQ(stored(SettingsKey::FacebookID), s(FacebookService::AccountId));
    EXPECT_EQ(stored(SettingsKey::FacebookAccessToken), fb.AccessToken());
    EXPECT_EQ(signIn.busyWindow(), nullptr);

    clsGoogle drive(env.state(), config, signIn, ui);
    allowOnceLoaded(s(u"/o/oauth2/auth"));
    EXPECT_TRUE(drive.CreateAccount());
    EXPECT_EQ(stored(SettingsKey::GoogleID), s(GoogleService::AccountId));
    EXPECT_FALSE(stored(SettingsKey::GoogleRefreshToken).isEmpty());

    clsSkydrive sky(env.state(), config, signIn, ui);
    allowOnceLoaded(s(u"/oauth20_authorize.srf"));
    EXPECT_TRUE(sky.CreateAccount());
    EXPECT_EQ(stored(SettingsKey::SkyDriveAccessToken), sky.AccessToken());

    EXPECT_TRUE(ui.calls.isEmpty());
    EXPECT_TRUE(shell.opened.isEmpty());
    EXPECT_FALSE(env.state().ModalFormOpen);
}

} // namespace

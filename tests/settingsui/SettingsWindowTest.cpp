#include "core/AppState.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "core/app/Startup.h"
#include "core/app/StartupWindows.h"
#include "core/ui/LinkLabel.h"
#include "platform/Autostart.h"
#include "settingsui/ui/frmSettings.h"
#include "support/RecordingShell.h"
#include "support/ScriptedUserPrompt.h"
#include "support/TestEnvironment.h"
#include "support/TestText.h"
#include "webkit/ToolkitError.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

// The keys each service's button empties, by the button's index.
const std::map<int, QStringList> kKeysOfButton = {
    {0, {key(SettingsKey::FacebookID), key(SettingsKey::FacebookAccessToken)}},
    {1, {key(SettingsKey::FlickrAccessToken)}},
    {2, {key(SettingsKey::SkyDriveRefreshToken), key(SettingsKey::SkyDriveAccessToken)}},
    {3, {key(SettingsKey::GoogleRefreshToken), key(SettingsKey::GoogleAccessToken)}},
    {4, {key(SettingsKey::DropBoxUid), key(SettingsKey::DropBoxToken), key(SettingsKey::DropBoxTokenSecret)}},
};

// Every authorization key of the settings file: those and two no button empties.
const QStringList kAllKeys = [] {
    QStringList all{key(SettingsKey::GoogleID), key(SettingsKey::SkyDriveAuthenticationToken)};
    for (const auto &[button, keys] : kKeysOfButton)
        all += keys;
    return all;
}();

class SettingsWindowTest : public ::testing::Test
{
protected:
    TestEnvironment env;
    ScriptedUserPrompt prompt{&env.state()};
    RecordingShell shell;
    SettingsStore store{env.state().SettingsFile};

    AppState &state() { return env.state(); }

    std::unique_ptr<frmSettings> open()
    {
        auto window = std::make_unique<frmSettings>(state(), prompt, shell, u"http://flazz.example"_s);
        window->show();
        return window;
    }

    void fillTokens()
    {
        std::vector<std::pair<QString, QString>> values;
        for (const QString &key : kAllKeys)
            values.emplace_back(key, key.section(u"//"_s, -1) + u"-value");
        ASSERT_TRUE(store.write(values));
    }
    std::map<QString, QString> tokens() const
    {
        std::map<QString, QString> out;
        for (const QString &key : kAllKeys)
            out[key] = store.readOr(key);
        return out;
    }
};

TEST_F(SettingsWindowTest, ListsShowTheCurrentSizeAndSkinWithoutTheNote)
{
    struct Case
    {
        int uploadSize, skin;
        QString size, skinName;
    };
    const Case cases[] = {{0, 0, u"Original size (slowest upload)"_s, u"Classic Grey"_s},
                          {800, 2, u"Small: 800 pixels"_s, u"Red"_s},
                          {1200, 5, u"Small: 800 pixels"_s, u"Dark Grey"_s},
                          {1600, 9, u"Large: 1600 pixels"_s, QString()}};
    for (const Case &c : cases) {
        state().UploadSize = c.uploadSize;
        state().Skin = c.skin;
        auto window = open();
        EXPECT_EQ(window->cboUploadSize()->currentText(), c.size);
        EXPECT_EQ(window->cboSkin()->currentText(), c.skinName);
        EXPECT_EQ(window->currentPage(), frmSettings::SkinPage);
    }
    EXPECT_TRUE(prompt.callsOf(u"note"_s).isEmpty());
}

TEST_F(SettingsWindowTest, ChoosingOriginalSizeShowsTheNoteUnlessSuppressed)
{
    auto window = open();
    emit window->cboUploadSize()->activated(0);
    emit window->cboUploadSize()->activated(2);
    EXPECT_EQ(prompt.callsOf(u"note"_s).size(), 1);
    state().NoteSuppressed = true;
    emit window->cboUploadSize()->activated(0);
    EXPECT_EQ(prompt.callsOf(u"note"_s).size(), 1);
}

TEST_F(SettingsWindowTest, OkStoresAndAppliesTheSkinWhichSurvivesARestart)
{
    // A settings file installed before the metadata switch existed.
    const QByteArray older =
        readBytes(state().SettingsFile).replace("<KeepMetadata>False</KeepMetadata>", "");
    env.writeFile(QDir(env.root()).relativeFilePath(state().SettingsFile), older);
    ASSERT_EQ(readBytes(state().SettingsFile), older);

    int repaints = 0;
    auto window = open();
    EXPECT_FALSE(window->chkKeepMetadata()->isChecked());
    window->chkKeepMetadata()->setChecked(true);
    window->setApplySkin([&] {
        ++repaints;
        EXPECT_EQ(state().Skin, 2);
    });
    window->cboSkin()->setCurrentIndex(window->cboSkin()->findText(u"Red"_s));
    window->cboUploadSize()->setCurrentIndex(1);
    QTest::mouseClick(window->btnAction(), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(repaints, 1);
    EXPECT_EQ(state().UploadSize, 1600);
    EXPECT_EQ(store.readOr(key(SettingsKey::Skin)), u"2"_s);
    EXPECT_EQ(store.readOr(key(SettingsKey::UploadSize)), u"1600"_s);
    EXPECT_TRUE(state().KeepMetadata);
    EXPECT_EQ(store.readOr(key(SettingsKey::KeepMetadata)), u"True"_s);

    // The next start reads them back.
    struct NoWindows : StartupWindows
    {
        void setSplashMode(const QString &) override {}
        void showSplash() override {}
        void loadHost(bool) override {}
        void enableInternetCheck() override {}
    } windows;
    AppState restarted;
    ScriptedUserPrompt quiet;
    Startup startup(restarted, quiet, windows);
    startup.setInstanceName(u"FlazzSettingsWindowTest"_s);
    startup.Main({});
    EXPECT_EQ(restarted.Skin, 2);
    EXPECT_EQ(restarted.UploadSize, 1600);
    EXPECT_TRUE(restarted.KeepMetadata);
}

TEST_F(SettingsWindowTest, TheLogInSwitchShowsTheEntryAndOnlyOkWritesOrRemovesIt)
{
    const platform::Autostart entry = Startup::loginStart();
    auto window = open();
    EXPECT_FALSE(window->chkStartAtLogin()->isChecked());
    window->chkStartAtLogin()->setChecked(true);
    QTest::mouseClick(window->cmdCancel(), Qt::LeftButton);
    EXPECT_FALSE(entry.enabled());

    window = open();
    window->chkStartAtLogin()->setChecked(true);
    QTest::mouseClick(window->btnAction(), Qt::LeftButton);
    ASSERT_TRUE(entry.enabled());
    // The entry starts this very program, in the tray.
    const QByteArray exec = "Exec=" + QCoreApplication::applicationFilePath().toUtf8() + " --tray\n";
    EXPECT_TRUE(readBytes(entry.entryPath()).contains(exec));

    window = open();
    EXPECT_TRUE(window->chkStartAtLogin()->isChecked());
    window->chkStartAtLogin()->setChecked(false);
    QTest::mouseClick(window->btnAction(), Qt::LeftButton);
    EXPECT_FALSE(QFile::exists(entry.entryPath()));
}

// The button forgets the photos sent at once, whatever OK or Cancel do
// later, and says so when it could not.
TEST_F(SettingsWindowTest, ForgettingTheSentPhotosIsOneClickAndAFailureIsTold)
{
    auto window = open();
    EXPECT_TRUE(window->cmdClearHistory()->isHidden()); // nothing to clear with
    bool cleared = false;
    window->setClearHistory([&] { return std::exchange(cleared, true) == false; });
    window->btnMode_Click(frmSettings::UploadPage);
    ASSERT_TRUE(window->cmdClearHistory()->isVisible());
    QTest::mouseClick(window->cmdClearHistory(), Qt::LeftButton);
    EXPECT_TRUE(cleared);
    EXPECT_FALSE(window->cmdClearHistory()->isEnabled());
    EXPECT_TRUE(prompt.callsOf(u"message"_s).isEmpty());

    window = open();
    window->setClearHistory([] { return false; });
    window->cmdClearHistory()->click();
    EXPECT_EQ(prompt.callsOf(u"message"_s).size(), 1);
    EXPECT_TRUE(window->cmdClearHistory()->isEnabled());
}

TEST_F(SettingsWindowTest, CancelAndRightClickedCloseStoreNothing)
{
    state().Skin = 0;
    auto window = open();
    int repaints = 0;
    window->setApplySkin([&] { ++repaints; });
    window->cboSkin()->setCurrentIndex(window->cboSkin()->findText(u"Green"_s));
    QTest::mouseClick(window->btnClose(), Qt::RightButton);
    EXPECT_TRUE(window->isVisible());
    QTest::mouseClick(window->cmdCancel(), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(state().Skin, 0);
    EXPECT_EQ(store.readOr(key(SettingsKey::Skin)), u"0"_s);
    EXPECT_EQ(repaints, 0);

    // Without a settings file OK still changes the running program, but
    // stores and repaints nothing.
    QFile::remove(state().SettingsFile);
    window = open();
    window->setApplySkin([&] { ++repaints; });
    window->cboSkin()->setCurrentIndex(window->cboSkin()->findText(u"Green"_s));
    QTest::mouseClick(window->btnAction(), Qt::LeftButton);
    EXPECT_EQ(state().Skin, 4);
    EXPECT_EQ(repaints, 0);
    EXPECT_FALSE(QFile::exists(state().SettingsFile));
}

TEST_F(SettingsWindowTest, ReauthorizeEmptiesExactlyItsKeysBeforeSigningIn)
{
    for (const auto &[service, keys] : kKeysOfButton) {
        SCOPED_TRACE(service);
        fillTokens();
        const auto before = tokens();
        auto window = open();
        std::map<QString, QString> seenAtSignIn;
        for (const ServiceDescriptor &each : serviceDescriptors())
            window->setSignIn(each.service, [&, index = each.settingsRow] {
                EXPECT_EQ(index, service);
                seenAtSignIn = tokens();
                return true;
            });
        window->btnMode_Click(frmSettings::AuthorizationPage);
        QTest::mouseClick(window->btnRevoke(service), Qt::LeftButton);
        ASSERT_FALSE(seenAtSignIn.empty());
        for (const QString &key : kAllKeys)
            EXPECT_EQ(seenAtSignIn[key], keys.contains(key) ? QString() : before.at(key)) << qPrintable(key);
        EXPECT_TRUE(prompt.calls.isEmpty()); // success says nothing
        EXPECT_TRUE(window->isVisible());
    }
}

TEST_F(SettingsWindowTest, FailedSignInShows573AndLeavesOtherServicesAlone)
{
    fillTokens();
    auto window = open();
    window->setSignIn(Service::Google, [] { return false; });
    auto expected = tokens();
    for (const QString &google : kKeysOfButton.at(3))
        expected[google].clear();
    window->btnRevoke_Click(3);
    ASSERT_EQ(prompt.calls.size(), 1);
    EXPECT_EQ(prompt.calls[0].text, u"Authorization process unsuccessful."_s);
    EXPECT_EQ(tokens(), expected);
    // A service the program has no sign-in for fails the same way.
    window->btnRevoke_Click(1);
    EXPECT_EQ(prompt.calls.size(), 2);
    EXPECT_TRUE(store.readOr(key(SettingsKey::FlickrAccessToken)).isEmpty());
}

TEST_F(SettingsWindowTest, EachServiceShowsItsAccountAndASignInThatThrowsIsReported)
{
    fillTokens();
    auto window = open();
    window->btnMode_Click(frmSettings::AuthorizationPage);
    const auto shown = [&](Service service) {
        return window->lblAccount(describe(service).settingsRow)->toolTip();
    };
    // The ids the sign-ins stored; a service that keeps none says only that
    // it is signed in, and no token ever shows.
    EXPECT_EQ(shown(Service::Facebook), u"Signed in as FaceBookID-value"_s);
    EXPECT_EQ(shown(Service::Dropbox), u"Signed in as uid-value"_s);
    EXPECT_EQ(shown(Service::Google), u"Signed in as GoogleID-value"_s);
    EXPECT_EQ(shown(Service::Flickr), u"Signed in"_s);
    EXPECT_EQ(shown(Service::SkyDrive), u"Signed in"_s);

    window->setSignIn(Service::Google, []() -> bool {
        throw ToolkitError(0x800C0005, u"WebRequest.send"_s, u"connection reset"_s);
    });
    QTest::mouseClick(window->btnRevoke(describe(Service::Google).settingsRow), Qt::LeftButton);
    const auto reports = prompt.callsOf(u"error"_s);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.at(0).text.contains(u"btnRevoke_Click"));
    EXPECT_TRUE(reports.at(0).text.contains(u"connection reset"));
    EXPECT_TRUE(prompt.callsOf(u"message"_s).isEmpty());
    EXPECT_TRUE(window->isVisible());
    // The id outlives the emptied tokens; it names no account any more.
    EXPECT_EQ(shown(Service::Google), u"Not signed in"_s);
}

TEST_F(SettingsWindowTest, WebsiteLinkOpensOnALeftClickOnly)
{
    auto window = open();
    window->btnMode_Click(frmSettings::AboutPage);
    QTest::mouseClick(window->link(), Qt::RightButton);
    EXPECT_TRUE(shell.opened.isEmpty());
    QTest::mouseClick(window->link(), Qt::LeftButton);
    EXPECT_EQ(shell.opened, QList<QString>{u"http://flazz.example"_s});
}

} // namespace

#include "app/ProgramWiring.h"
#include "app/AppStartupWindows.h"

#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "core/Skin.h"
#include "core/app/Startup.h"
#include "core/ui/SkinArt.h"
#include "core/ui/TrayIcon.h"
#include "core/ui/frmLoad.h"
#include "core/ui/frmSck.h"
#include "imaging/TestImages.h"
#include "photoset/ZipExport.h"
#include "photoset/ui/frmUploadTo.h"
#include "sandbox/StandinServer.h"
#include "support/PhotoSetWorld.h"
#include "support/RcloneWorld.h"
#include "support/RecordingShell.h"
#include "support/ScriptedUserPrompt.h"
#include "uploader/UploadQueue.h"
#include "webservices/ui/frmLifePics.h"
#include "webservices/ui/frmPrinter.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

// The program as main() puts it together, around a private photo set.
class ProgramWiringTest : public ::testing::Test, protected PhotoSetWorld
{
protected:
    ScriptedUserPrompt prompt{&state()};
    RecordingShell shell;
    ProgramWiring wiring{state(), prompt, prompt, shell, offline()};
    frmLoad host{state()};

public:
    static ServiceConfig offline()
    {
        ServiceConfig services = ServiceConfig::defaults();
        services.product.ads.clear(); // never online in a test
        return services;
    }

protected:
    frmUploadTo &load()
    {
        wiring.plugInto(host);
        host.Form_Load();
        auto *window = qobject_cast<frmUploadTo *>(host.mainWindow());
        EXPECT_NE(window, nullptr);
        return *window;
    }

    QToolButton *button(const char *name) const
    {
        return host.mainWindow()->findChild<QToolButton *>(QString::fromLatin1(name));
    }
};

// Zip writes the archive on the desktop and opens its folder; Skype looks
// for Skype before anything is written.
TEST_F(ProgramWiringTest, ZipAndSkypeButtonsRunTheirFlows)
{
    load();
    QTest::mouseClick(button("btnZip"), Qt::LeftButton);
    ASSERT_EQ(prompt.callsOf(QStringLiteral("message")).size(), 1);
    EXPECT_EQ(prompt.calls.at(0).text, catalogText(MessageNo::EmptyPhotoSet));
    EXPECT_FALSE(QDir(ZipFolder()).exists());

    addPhoto(QStringLiteral("in/a.png"), 1);
    QTest::mouseClick(button("btnZip"), Qt::LeftButton);
    EXPECT_EQ(QDir(ZipFolder()).entryList({QStringLiteral("Flazz -*.zip")}, QDir::Files).size(), 1);
    EXPECT_EQ(shell.opened, QList<QString>{ZipFolder() + QLatin1Char('/')});
    EXPECT_EQ(prompt.callsOf(QStringLiteral("done")).size(), 1);

    QTest::mouseClick(button("btnSkype"), Qt::LeftButton);
    const auto asked = prompt.callsOf(QStringLiteral("skype"));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked.at(0).text, QStringLiteral("Locate Skype"));
    EXPECT_TRUE(shell.started.isEmpty());
    EXPECT_TRUE(static_cast<frmUploadTo *>(host.mainWindow())->windowEnabled());
}

// Every service's addresses lead to a stand-in of its own that hears each
// request and drops it, so a button wired to another service's flow shows up
// in the wrong stand-in. Stored sign-ins make each flow ask its service first.
TEST(ProgramWiring, EveryOnlineButtonReachesItsOwnServiceAndNoOther)
{
    PhotoSetWorld world;
    const std::pair<const char *, const char *> buttons[] = {
        {"btnFacebook", "facebook"}, {"btnFlickr", "flickr"},     {"btnDropbox", "dropbox"},
        {"btnGoogle", "google"},     {"btnSkyDrive", "skydrive"}, {"btnPrinter", "print"}};
    std::map<QString, std::unique_ptr<StandinServer>> standins;
    StandinFaults drop;
    drop.closeAbruptly = true;
    for (const auto &[button, service] : buttons)
        (standins[QLatin1String(service)] = std::make_unique<StandinServer>())->setFaults(drop);
    const auto at = [&](const char *service) { return standins.at(QLatin1String(service))->baseUrl(); };
    ServiceConfig config = ProgramWiringTest::offline();
    config.facebook.web = config.facebook.loginPages = config.facebook.graph = config.facebook.restApi =
        at("facebook");
    config.flickr.rest = config.flickr.auth = config.flickr.site = config.flickr.upload = at("flickr");
    config.dropbox.api = config.dropbox.apiContent = config.dropbox.web = at("dropbox");
    config.google.accounts = config.google.drive = config.google.userInfo = config.google.site = at("google");
    config.live.login = config.live.apis = config.live.site = at("skydrive");
    config.lifePics.service = config.lifePics.soap = config.lifePics.site = at("print");
    std::vector<std::pair<QString, QString>> signedIn;
    for (const char *key :
         {SettingsKey::FacebookAccessToken, SettingsKey::FacebookID, SettingsKey::FlickrAccessToken,
          SettingsKey::DropBoxUid, SettingsKey::DropBoxToken, SettingsKey::DropBoxTokenSecret,
          SettingsKey::GoogleAccessToken, SettingsKey::GoogleRefreshToken, SettingsKey::GoogleID,
          SettingsKey::SkyDriveAccessToken, SettingsKey::SkyDriveRefreshToken})
        signedIn.emplace_back(QLatin1String(key), QStringLiteral("stored1"));
    ASSERT_TRUE(SettingsStore(world.state().SettingsFile).write(signedIn));

    ScriptedUserPrompt prompt(&world.state());
    RecordingShell shell;
    ProgramWiring wiring(world.state(), prompt, prompt, shell, config);
    frmLoad host(world.state());
    wiring.plugInto(host);
    host.Form_Load();
    auto *window = qobject_cast<frmUploadTo *>(host.mainWindow());
    ASSERT_NE(window, nullptr);
    world.addPhoto(QStringLiteral("in/a.png"), 1);
    world.state().InternetAvailable = true;

    // Windows a flow opens are answered at once: printing goes online and
    // signs in, anything else is closed.
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, &answerer, [&] {
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible())
            return;
        const bool printReached = standins.at(QStringLiteral("print"))->requestCount() > 0;
        if (auto *printer = qobject_cast<frmPrinter *>(modal); printer && !printReached)
            return printer->cmdOK()->click();
        if (auto *login = qobject_cast<frmLifePics *>(modal); login && !printReached) {
            if (login->txtEmailAddress()->text().isEmpty()) {
                login->txtEmailAddress()->setText(QStringLiteral("ann@example.test"));
                login->txtPassword()->setText(QStringLiteral("secret"));
                login->btnLifePicsLogin()->click();
            }
            return;
        }
        modal->reject();
    });
    answerer.start(20);

    for (const auto &[name, service] : buttons) {
        QTest::mouseClick(window->findChild<QToolButton *>(QLatin1String(name)), Qt::LeftButton);
        for (const auto &[other, standin] : standins) {
            EXPECT_EQ(standin->requestCount() > 0, other == QLatin1String(service))
                << name << " and the stand-in of " << qPrintable(other);
            standin->clearRequests();
        }
        EXPECT_TRUE(window->windowEnabled()) << name;
    }
}

TEST_F(ProgramWiringTest, EveryRcloneRemoteIsInTheMenuBesideSettingsAndRunsItsFlow)
{
    RcloneWorld rclone(env.root());
    frmUploadTo &window = load();
    ASSERT_TRUE(window.moreDestinationsButton()->isVisibleTo(&window));
    QStringList texts;
    for (const frmUploadTo::MoreDestination &destination : window.moreDestinations())
        texts << destination.text;
    EXPECT_EQ(texts, (QStringList{QStringLiteral("dav  (webdav)"), QStringLiteral("photos  (alias)")}));

    addPhoto(QStringLiteral("in/a.png"), 1);
    state().InternetAvailable = false;
    window.moreDestination_Click(QStringLiteral("photos"));
    EXPECT_EQ(prompt.callsOf(QStringLiteral("internet")).size(), 1);
    EXPECT_TRUE(window.windowEnabled());
}

// Exit while photos are on their way: the question says how many and that
// they finish in the background.
TEST_F(ProgramWiringTest, TheExitQuestionTellsOfThePhotosStillOnTheirWay)
{
    load();
    auto *icon = qobject_cast<TrayIcon *>(host.tray());
    ASSERT_NE(icon, nullptr);
    UploadQueue queue(UploadQueue::defaultPath());
    UploadJobSpec job;
    job.service = Service::Dropbox;
    job.token = QStringLiteral("t");
    job.items = uncheckedItems({QStringLiteral("/p/a.jpg"), QStringLiteral("/p/b.jpg")});
    const QString id = queue.addJob(job);
    ASSERT_TRUE(queue.markSending(id, 0) && queue.markSending(id, 1));

    prompt.messageAnswers.push_back(MsgResult::No);
    icon->mnuSystrayMenu_Click(QStringLiteral(" Exit Flazz"));
    const auto asked = prompt.callsOf(QStringLiteral("message"));
    ASSERT_FALSE(asked.isEmpty());
    EXPECT_EQ(asked.last().text.toStdString(), "Are you sure? Why not continue Flazzing your Photos?\n"
                                               "2 photos still on the way: they finish in the background.");
}

TEST_F(ProgramWiringTest, ExitFromTheWindowOrTheTrayUnloadsTheHost)
{
    frmUploadTo &window = load();
    auto *icon = qobject_cast<TrayIcon *>(host.tray());
    ASSERT_NE(icon, nullptr);
    addPhoto(QStringLiteral("in/a.png"), 1);
    icon->mnuSystrayMenu_Click(QStringLiteral(" Exit Flazz"));
    QApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(tray.Count(), 0); // the tray's exit empties the set first

    window.show();
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
}

// Start-up builds its windows before it reads the settings, as main() does;
// the splash must still wear the skin the settings name.
TEST(AppStartupWindows, TheSplashWearsTheSkinOfTheSettingsInTheRealStartupOrder)
{
    TestEnvironment env;
    env.writeFile(env.state().SettingsFile,
                  "<Settings><UploadSize>1024</UploadSize><Skin>3</Skin></Settings>");
    AppState state;
    ScriptedUserPrompt prompt(&state);
    frmLoad host(state);
    AppStartupWindows windows(state, host);
    Startup startup(state, prompt, windows);
    startup.setInstanceName(QStringLiteral("FlazzWiringTest"));

    QColor text;
    QImage shown;
    QTimer::singleShot(0, [&] {
        auto *splash = qobject_cast<frmSck *>(QApplication::activeModalWidget());
        ASSERT_NE(splash, nullptr);
        text = splash->lblMessage()->palette().color(QPalette::WindowText);
        shown = splash->grab().toImage();
        splash->accept();
    });
    ASSERT_EQ(startup.Main({}), Startup::Outcome::Running);

    EXPECT_EQ(state.Skin, 3);
    EXPECT_EQ(text, Skin::textColor(3));
    ASSERT_FALSE(shown.isNull());
    // The picture's corner, away from the notice, is skin 3's and not skin 0's.
    const QImage skin3 = SkinArt::splashPicture(3, shown.size()).toImage();
    const QImage skin0 = SkinArt::splashPicture(0, shown.size()).toImage();
    const QPoint corner(12, 12);
    EXPECT_EQ(shown.pixelColor(corner), skin3.pixelColor(corner));
    EXPECT_NE(shown.pixelColor(corner), skin0.pixelColor(corner));
}

// The real program started again with photos, as a file manager's "Open
// with" starts it, while this copy runs in the tray: the photos land in this
// copy's set, its window comes forward, and the second start just ends.
TEST(SecondStart, PhotosGivenToASecondStartLandInTheRunningCopysSet)
{
    TestEnvironment env; // the second start shares it through the environment
    AppState state;
    ScriptedUserPrompt prompt(&state);
    RecordingShell shell;
    ProgramWiring wiring(state, prompt, prompt, shell, ProgramWiringTest::offline());
    frmLoad host(state);
    wiring.plugInto(host);
    host.setTrayAvailable([] { return true; });
    AppStartupWindows windows(state, host);
    Startup startup(state, prompt, windows);
    cGDIpToken token;
    std::unique_ptr<clsTray> photos;
    startup.setCreateProcessObjects([&](AppState &s) {
        photos = std::make_unique<clsTray>(s.DataFolder, &token, s.MaxPhotos);
        s.PhotoTray = photos.get();
        s.GdiplusToken = &token;
    });
    startup.setOpenPaths([&](const QStringList &paths) { wiring.openPaths(host, paths); });
    ASSERT_EQ(startup.Main({Startup::TrayOption}), Startup::Outcome::Running);
    ASSERT_FALSE(host.mainWindow()->isVisible());

    const QString photo = env.writeFile(QStringLiteral("in/a.png"), testimages::encoded("png"));
    env.writeFile(QStringLiteral("in/more/b.jpg"), testimages::encoded("jpeg"));
    QProcess second;
    second.start(QStringLiteral(FLAZZ_PROGRAM), {photo, env.path(QStringLiteral("in/more"))});
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 60000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().constData();
    EXPECT_TRUE(QTest::qWaitFor([&] { return photos->Count() == 2; }, 30000));
    EXPECT_TRUE(host.mainWindow()->isVisible());
}

} // namespace

#include "cloudfolders/flows/CloudFolderFlow.h"

#include "FlowFakes.h"
#include "core/MessageCatalog.h"
#include "support/TaggedPhoto.h"
#include "support/TestText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class CloudFolderFlowTest : public ::testing::Test, protected FlowWorld
{
protected:
    FakeCloudConnector *lastConnector = nullptr;
    std::deque<bool> authorized{true};
    QString dropboxFolder, skyDriveFolder, googleFolder;
    QStringList lookups;

    CloudFolderFlow flow(Service service)
    {
        SyncFolderLocator locator{[this] { return lookups << QStringLiteral("dropbox"), dropboxFolder; },
                                  [this] { return lookups << QStringLiteral("skydrive"), skyDriveFolder; },
                                  [this] { return lookups << QStringLiteral("google"), googleFolder; }};
        CloudFolderFlow::Parts parts{state(), window, prompt, shell, chooser, notices, uploader, locator};
        return CloudFolderFlow(
            service, parts,
            [this]() -> std::unique_ptr<CloudConnector> {
                auto c = std::make_unique<FakeCloudConnector>();
                c->authorizedAnswers = authorized;
                lastConnector = c.get();
                return c;
            },
            QStringLiteral("https://site.example/"));
    }
};

TEST(FreeCopyName, ClashesCountUpWithABlankBeforeTheExtension)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    EXPECT_EQ(CloudFolderFlow::FreeCopyName(folder, QStringLiteral("/x/a.jpg")), QStringLiteral("a.jpg"));
    QFile(folder + QStringLiteral("/a.jpg")).open(QIODevice::WriteOnly);
    QFile(folder + QStringLiteral("/a (1) .jpg")).open(QIODevice::WriteOnly);
    EXPECT_EQ(CloudFolderFlow::FreeCopyName(folder, QStringLiteral("/y/a.jpg")),
              QStringLiteral("a (2) .jpg"));
    QFile(folder + QStringLiteral("/IMG")).open(QIODevice::WriteOnly);
    EXPECT_EQ(CloudFolderFlow::FreeCopyName(folder, QStringLiteral("/y.d/IMG")), QStringLiteral("IMG (1) "));
}

// The desktop client sends on whatever lands in its folder, so the copy put
// there follows the metadata choice; its picture is the original's, byte for
// byte, and it never takes the place of a file already there.
TEST(CopyPhoto, TheSyncFolderGetsTheWholePictureAndOnlyTheMetadataTheUserLetsGo)
{
    TestEnvironment env;
    const QByteArray photo = tagged::jpeg();
    const QString from = env.writeFile(QStringLiteral("harbour.jpg"), photo);
    const auto copied = [&](const QString &name, MetadataRule rule) {
        return CloudFolderFlow::CopyPhoto(from, env.path(name), rule) ? readBytes(env.path(name))
                                                                      : QByteArray();
    };
    const QByteArray story = copied(QStringLiteral("story.jpg"), MetadataRule::StoryOnly);
    EXPECT_FALSE(tagged::readBack(story).contains(QStringLiteral("Exif.GPSInfo.GPSLatitude")));
    EXPECT_EQ(tagged::scanData(story), tagged::scanData(photo));
    EXPECT_EQ(copied(QStringLiteral("all.jpg"), MetadataRule::Everything), photo);
    EXPECT_FALSE(
        CloudFolderFlow::CopyPhoto(from, env.path(QStringLiteral("story.jpg")), MetadataRule::StoryOnly));
}

TEST_F(CloudFolderFlowTest, WithTheClientPhotosAreCopiedUnderFreeNamesIntoANewFolder)
{
    dropboxFolder = env.path(QStringLiteral("Dropbox/Apps/Flazz")) + u'/';
    QDir().mkpath(dropboxFolder);
    const QString first = addPhoto(QStringLiteral("one/a.jpg"), 1);
    addPhoto(QStringLiteral("two/a.jpg"), 2);
    addPhoto(QStringLiteral("three/a.jpg"), 3);

    flow(Service::Dropbox).run();

    const QString destination = QDir(dropboxFolder).filePath(QStringLiteral("Trip"));
    EXPECT_EQ(
        QDir(destination).entryList(QDir::Files, QDir::Name),
        (QStringList{QStringLiteral("a (1) .jpg"), QStringLiteral("a (2) .jpg"), QStringLiteral("a.jpg")}));
    EXPECT_EQ(readBytes(destination + QStringLiteral("/a.jpg")), readBytes(first));
    EXPECT_EQ(window.value, 3);
    EXPECT_EQ(chooser.service, Service::Dropbox);
    EXPECT_EQ(chooser.syncFolder, dropboxFolder);
    EXPECT_EQ(prompt.callsOf(QStringLiteral("done")).size(), 1);
    EXPECT_EQ(shell.opened, QList<QString>{destination});
    EXPECT_TRUE(uploader.calls.isEmpty());
    EXPECT_EQ(window.panelHistory, (std::vector<bool>{true, false}));
}

TEST_F(CloudFolderFlowTest, WithoutTheClientTheUploaderTakesThePhotosAndTheSiteOpens)
{
    env.state().UploadSize = 1024;
    env.state().UploadPromptEnabled = true;
    env.state().StartupPromptEnabled = true;
    skyDriveFolder = env.path(QStringLiteral("SkyDrive")) + u'/';
    const QString a = addPhoto(QStringLiteral("p/a.png"), 1);
    const QString b = addPhoto(QStringLiteral("p/b.png"), 2);

    flow(Service::Dropbox).run();

    ASSERT_EQ(notices.plugins.size(), 1); // the Dropbox client is the one missing
    EXPECT_EQ(notices.plugins.at(0).skyDrive, skyDriveFolder);
    EXPECT_EQ(lookups, (QStringList{QStringLiteral("google"), QStringLiteral("skydrive"),
                                    QStringLiteral("dropbox"), QStringLiteral("dropbox")}));
    ASSERT_EQ(uploader.calls.size(), 1);
    EXPECT_EQ(uploader.calls.at(0),
              QStringLiteral("UploadToDropBox|token|secret|") + a + u'\t' + b + QStringLiteral("|1024|Trip"));
    EXPECT_EQ(window.maximum, 2);
    EXPECT_EQ(window.value, 2);
    EXPECT_EQ(window.pbrCaptions, QStringList{QStringLiteral("Please wait...")});
    EXPECT_EQ(notices.uploadPrompts, 1);
    EXPECT_EQ(shell.opened, QList<QString>{QStringLiteral("https://site.example/")});
}

TEST_F(CloudFolderFlowTest, WithThePromptOffOnlyTheOwnFolderIsLookedUp)
{
    addPhoto(QStringLiteral("p/a.png"), 1);
    flow(Service::Google).run();
    EXPECT_EQ(lookups, QStringList{QStringLiteral("google")});
    ASSERT_EQ(uploader.calls.size(), 1);
    EXPECT_TRUE(uploader.calls.at(0).startsWith(u"UploadToGoogle|token|"));
    EXPECT_TRUE(window.pbrCaptions.isEmpty()); // Google shows no "Please wait..."
    EXPECT_EQ(prompt.callsOf(QStringLiteral("done")).size(), 1);
}

TEST_F(CloudFolderFlowTest, FailedSignInOrCancelledChooserEndWithTheWindowBack)
{
    addPhoto(QStringLiteral("p/a.png"), 1);
    authorized = {false, false};
    flow(Service::SkyDrive).run();
    ASSERT_NE(lastConnector, nullptr);
    const auto messages = prompt.callsOf(QStringLiteral("message"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.at(0).text, catalogText(MessageNo::AuthorizationUnsuccessful));
    EXPECT_EQ(chooser.shown, 0);
    EXPECT_TRUE(window.enabledAtEnd());

    authorized = {false, true}; // signed in on the way
    chooser.answer.clear();
    flow(Service::SkyDrive).run();
    EXPECT_EQ(chooser.shown, 1);
    EXPECT_TRUE(uploader.calls.isEmpty());
    EXPECT_TRUE(shell.opened.isEmpty());
    EXPECT_TRUE(window.enabledAtEnd());

    env.state().InternetAvailable = false;
    flow(Service::SkyDrive).run();
    EXPECT_EQ(prompt.callsOf(QStringLiteral("internet")).size(), 1);
    EXPECT_EQ(chooser.shown, 1);
}

// Photos that already arrived in the chosen folder are named before the job
// goes; each answer does what it says, and nothing is asked when none did.
TEST_F(CloudFolderFlowTest, PhotosSentBeforeToTheFolderAreAskedAbout)
{
    env.state().UploadSize = 800;
    const QString a = addPhoto(QStringLiteral("p/a.png"), 1);
    const QString b = addPhoto(QStringLiteral("p/b.png"), 2);
    flow(Service::Dropbox).run();
    EXPECT_TRUE(prompt.callsOf(QStringLiteral("confirm")).isEmpty());
    EXPECT_EQ(uploader.sentBeforeAsked, QStringList{QStringLiteral("Dropbox|Trip")});

    uploader.sentBeforeAnswer.paths = QStringList{a};
    uploader.sentBeforeAnswer.latest = QDateTime(QDate(2026, 12, 3), QTime(12, 0)).toMSecsSinceEpoch();
    prompt.confirmAnswers = {MsgBoxCode::No, MsgBoxCode::Cancel, MsgBoxCode::Yes};
    for (int i = 0; i < 3; ++i)
        flow(Service::Dropbox).run();
    const auto asked = prompt.callsOf(QStringLiteral("confirm"));
    ASSERT_EQ(asked.size(), 3);
    EXPECT_EQ(asked.at(0).text, u"1 of these 2 photos was sent to Dropbox / Trip on 3 Dec");
    const QString prefix = QStringLiteral("UploadToDropBox|token|secret|");
    EXPECT_EQ(uploader.calls.mid(1), (QStringList{prefix + b + QStringLiteral("|800|Trip"),
                                                  prefix + a + u'\t' + b + QStringLiteral("|800|Trip")}));

    // Skipping every photo sends nothing.
    uploader.sentBeforeAnswer.paths = QStringList{a, b};
    prompt.confirmAnswers = {MsgBoxCode::No};
    flow(Service::Dropbox).run();
    EXPECT_EQ(uploader.calls.size(), 3);
}

} // namespace

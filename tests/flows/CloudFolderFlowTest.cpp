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

using namespace Qt::StringLiterals;

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
        SyncFolderLocator locator{[this] { return lookups << u"dropbox"_s, dropboxFolder; },
                                  [this] { return lookups << u"skydrive"_s, skyDriveFolder; },
                                  [this] { return lookups << u"google"_s, googleFolder; }};
        CloudFolderFlow::Parts parts{state(), window, prompt, shell, chooser, notices, uploader, locator};
        return CloudFolderFlow(
            service, parts,
            [this]() -> std::unique_ptr<CloudConnector> {
                auto c = std::make_unique<FakeCloudConnector>();
                c->authorizedAnswers = authorized;
                lastConnector = c.get();
                return c;
            },
            u"https://site.example/"_s);
    }
};

TEST(FreeCopyName, ClashesCountUpWithABlankBeforeTheExtension)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    EXPECT_EQ(CloudFolderFlow::FreeCopyName(folder, u"/x/a.jpg"_s), u"a.jpg"_s);
    QFile(folder + u"/a.jpg"_s).open(QIODevice::WriteOnly);
    QFile(folder + u"/a (1) .jpg"_s).open(QIODevice::WriteOnly);
    EXPECT_EQ(CloudFolderFlow::FreeCopyName(folder, u"/y/a.jpg"_s), u"a (2) .jpg"_s);
    QFile(folder + u"/IMG"_s).open(QIODevice::WriteOnly);
    EXPECT_EQ(CloudFolderFlow::FreeCopyName(folder, u"/y.d/IMG"_s), u"IMG (1) "_s);
}

// The desktop client sends on whatever lands in its folder, so the copy put
// there follows the metadata choice; its picture is the original's, byte for
// byte, and it never takes the place of a file already there.
TEST(CopyPhoto, TheSyncFolderGetsTheWholePictureAndOnlyTheMetadataTheUserLetsGo)
{
    TestEnvironment env;
    const QByteArray photo = tagged::jpeg();
    const QString from = env.writeFile(u"harbour.jpg"_s, photo);
    const auto copied = [&](const QString &name, MetadataRule rule) {
        return CloudFolderFlow::CopyPhoto(from, env.path(name), rule) ? readBytes(env.path(name))
                                                                      : QByteArray();
    };
    const QByteArray story = copied(u"story.jpg"_s, MetadataRule::StoryOnly);
    EXPECT_FALSE(tagged::readBack(story).contains(u"Exif.GPSInfo.GPSLatitude"_s));
    EXPECT_EQ(tagged::scanData(story), tagged::scanData(photo));
    EXPECT_EQ(copied(u"all.jpg"_s, MetadataRule::Everything), photo);
    EXPECT_FALSE(CloudFolderFlow::CopyPhoto(from, env.path(u"story.jpg"_s), MetadataRule::StoryOnly));
}

TEST_F(CloudFolderFlowTest, WithTheClientPhotosAreCopiedUnderFreeNamesIntoANewFolder)
{
    dropboxFolder = env.path(u"Dropbox/Apps/Flazz"_s) + u'/';
    QDir().mkpath(dropboxFolder);
    const QString first = addPhoto(u"one/a.jpg"_s, 1);
    addPhoto(u"two/a.jpg"_s, 2);
    addPhoto(u"three/a.jpg"_s, 3);

    flow(Service::Dropbox).run();

    const QString destination = QDir(dropboxFolder).filePath(u"Trip"_s);
    EXPECT_EQ(QDir(destination).entryList(QDir::Files, QDir::Name),
              (QStringList{u"a (1) .jpg"_s, u"a (2) .jpg"_s, u"a.jpg"_s}));
    EXPECT_EQ(readBytes(destination + u"/a.jpg"_s), readBytes(first));
    EXPECT_EQ(window.value, 3);
    EXPECT_EQ(chooser.service, Service::Dropbox);
    EXPECT_EQ(chooser.syncFolder, dropboxFolder);
    EXPECT_EQ(prompt.callsOf(u"done"_s).size(), 1);
    EXPECT_EQ(shell.opened, QList<QString>{destination});
    EXPECT_TRUE(uploader.calls.isEmpty());
    EXPECT_EQ(window.panelHistory, (std::vector<bool>{true, false}));
}

TEST_F(CloudFolderFlowTest, WithoutTheClientTheUploaderTakesThePhotosAndTheSiteOpens)
{
    env.state().UploadSize = 1024;
    env.state().UploadPromptEnabled = true;
    env.state().StartupPromptEnabled = true;
    skyDriveFolder = env.path(u"SkyDrive"_s) + u'/';
    const QString a = addPhoto(u"p/a.png"_s, 1);
    const QString b = addPhoto(u"p/b.png"_s, 2);

    flow(Service::Dropbox).run();

    ASSERT_EQ(notices.plugins.size(), 1); // the Dropbox client is the one missing
    EXPECT_EQ(notices.plugins.at(0).skyDrive, skyDriveFolder);
    EXPECT_EQ(lookups, (QStringList{u"google"_s, u"skydrive"_s, u"dropbox"_s, u"dropbox"_s}));
    EXPECT_EQ(uploader.calls,
              QStringList{u"UploadToDropBox|token|secret|"_s + a + u'\t' + b + u"|1024|Trip"_s});
    EXPECT_EQ(window.maximum, 2);
    EXPECT_EQ(window.value, 2);
    EXPECT_EQ(window.pbrCaptions, QStringList{u"Please wait..."_s});
    EXPECT_EQ(notices.uploadPrompts, 1);
    EXPECT_EQ(shell.opened, QList<QString>{u"https://site.example/"_s});
}

TEST_F(CloudFolderFlowTest, WithThePromptOffOnlyTheOwnFolderIsLookedUp)
{
    addPhoto(u"p/a.png"_s, 1);
    flow(Service::Google).run();
    EXPECT_EQ(lookups, QStringList{u"google"_s});
    ASSERT_EQ(uploader.calls.size(), 1);
    EXPECT_TRUE(uploader.calls.at(0).startsWith(u"UploadToGoogle|token|"));
    EXPECT_TRUE(window.pbrCaptions.isEmpty()); // Google shows no "Please wait..."
    EXPECT_EQ(prompt.callsOf(u"done"_s).size(), 1);
}

TEST_F(CloudFolderFlowTest, FailedSignInOrCancelledChooserEndWithTheWindowBack)
{
    addPhoto(u"p/a.png"_s, 1);
    authorized = {false, false};
    flow(Service::SkyDrive).run();
    ASSERT_NE(lastConnector, nullptr);
    EXPECT_EQ(messages(), QStringList{catalogText(MessageNo::AuthorizationUnsuccessful)});
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
    EXPECT_EQ(prompt.callsOf(u"internet"_s).size(), 1);
    EXPECT_EQ(chooser.shown, 1);
}

// Photos that already arrived in the chosen folder are named before the job
// goes; each answer does what it says, and nothing is asked when none did.
TEST_F(CloudFolderFlowTest, PhotosSentBeforeToTheFolderAreAskedAbout)
{
    env.state().UploadSize = 800;
    const QString a = addPhoto(u"p/a.png"_s, 1);
    const QString b = addPhoto(u"p/b.png"_s, 2);
    flow(Service::Dropbox).run();
    EXPECT_TRUE(prompt.callsOf(u"confirm"_s).isEmpty());
    EXPECT_EQ(uploader.sentBeforeAsked, QStringList{u"Dropbox|Trip"_s});

    uploader.sentBeforeAnswer.paths = QStringList{a};
    uploader.sentBeforeAnswer.latest = QDateTime(QDate(2026, 12, 3), QTime(12, 0)).toMSecsSinceEpoch();
    prompt.confirmAnswers = {MsgBoxCode::No, MsgBoxCode::Cancel, MsgBoxCode::Yes};
    for (int i = 0; i < 3; ++i)
        flow(Service::Dropbox).run();
    const auto asked = prompt.callsOf(u"confirm"_s);
    ASSERT_EQ(asked.size(), 3);
    EXPECT_EQ(asked.at(0).text, u"1 of these 2 photos was sent to Dropbox / Trip on 3 Dec");
    const QString prefix = u"UploadToDropBox|token|secret|"_s;
    EXPECT_EQ(uploader.calls.mid(1),
              (QStringList{prefix + b + u"|800|Trip"_s, prefix + a + u'\t' + b + u"|800|Trip"_s}));

    // Skipping every photo sends nothing.
    uploader.sentBeforeAnswer.paths = QStringList{a, b};
    prompt.confirmAnswers = {MsgBoxCode::No};
    flow(Service::Dropbox).run();
    EXPECT_EQ(uploader.calls.size(), 3);
}

} // namespace

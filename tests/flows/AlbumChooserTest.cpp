#include "cloudfolders/flows/AlbumChooser.h"

#include "FlowFakes.h"
#include "support/ScriptedUserPrompt.h"
#include "support/TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

QStringList texts(const QList<AlbumEntry> &entries)
{
    QStringList out;
    for (const AlbumEntry &e : entries)
        out.append(e.text);
    return out;
}

class AlbumChooserTest : public ::testing::Test
{
protected:
    TestEnvironment env;
    ScriptedUserPrompt prompt{&env.state()};
    FakeAlbums service;

    // A sync folder holding these subfolders (and a file that is no folder).
    QString syncFolder(const QStringList &folders)
    {
        const QString root = env.path(QStringLiteral("sync"));
        for (const QString &f : folders)
            QDir().mkpath(root + u'/' + f);
        env.writeFile(QStringLiteral("sync/loose.jpg"), "x");
        return root + u'/';
    }
};

TEST_F(AlbumChooserTest, ReservedFoldersHideAsEachServiceHidesThem)
{
    const QStringList folders{QStringLiteral("Zoo"), QStringLiteral("PL-Prints"),
                              QStringLiteral("Download Images"), QStringLiteral("beach"),
                              QStringLiteral(".hidden")};
    const QString local = syncFolder(folders);
    service.listed = {{QStringLiteral("PL-x"), QStringLiteral("1")},
                      {QStringLiteral("Download Images"), QStringLiteral("2")},
                      {QStringLiteral("moon"), QStringLiteral("3")}};

    AlbumChooser dropboxLocal(env.state(), prompt, Service::Dropbox, local, &service);
    dropboxLocal.load();
    EXPECT_EQ(texts(dropboxLocal.entries()),
              (QStringList{QStringLiteral(".hidden"), QStringLiteral("beach"), QStringLiteral("Zoo")}));
    EXPECT_EQ(dropboxLocal.entries().at(1).cargo, QDir(local).filePath(QStringLiteral("beach")));

    AlbumChooser skyDriveLocal(env.state(), prompt, Service::SkyDrive, local, &service);
    skyDriveLocal.load();
    EXPECT_EQ(skyDriveLocal.entries().size(), 5);

    AlbumChooser skyDriveOnline(env.state(), prompt, Service::SkyDrive, {}, &service);
    skyDriveOnline.load();
    EXPECT_EQ(texts(skyDriveOnline.entries()), QStringList{QStringLiteral("moon")});

    AlbumChooser googleOnline(env.state(), prompt, Service::Google, {}, &service);
    googleOnline.load();
    EXPECT_EQ(googleOnline.entries().size(), 3);
}

TEST_F(AlbumChooserTest, FacebookAlwaysOffersTheDefaultAlbumAndAnEmptyFolderOnlyANewOne)
{
    AlbumChooser facebook(env.state(), prompt, Service::Facebook, {}, &service);
    facebook.load();
    ASSERT_EQ(facebook.entries().size(), 1);
    EXPECT_EQ(facebook.entries().at(0).text, QStringLiteral(" --Default (Flazz)--"));
    EXPECT_EQ(facebook.ok(false, 0, {}), QStringLiteral("me"));

    AlbumChooser empty(env.state(), prompt, Service::Google, syncFolder({}), &service);
    empty.load();
    EXPECT_FALSE(empty.existingEnabled());
}

TEST_F(AlbumChooserTest, OkAnswersPerModeAndStaysOpenWithoutANameOrAConnection)
{
    const QString local = syncFolder({QStringLiteral("beach")});
    service.listed = {{QStringLiteral("moon"), QStringLiteral("id-moon")}};

    AlbumChooser dropbox(env.state(), prompt, Service::Dropbox, {}, &service);
    dropbox.load();
    EXPECT_EQ(dropbox.ok(true, 0, dropbox.texts().placeholder), std::nullopt);
    EXPECT_EQ(dropbox.ok(true, 0, QStringLiteral("   ")), std::nullopt);
    const auto asked = prompt.callsOf(QStringLiteral("message"));
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked.at(0).text, QStringLiteral("Please enter an Album Name."));
    // A new Dropbox folder is made online and answered by its name.
    EXPECT_EQ(dropbox.ok(true, 0, QStringLiteral("Été 2026")), QStringLiteral("Été 2026"));
    EXPECT_EQ(service.created, QStringList{QStringLiteral("Été 2026")});
    EXPECT_EQ(dropbox.ok(false, 0, {}), QStringLiteral("id-moon"));

    AlbumChooser skyDrive(env.state(), prompt, Service::SkyDrive, {}, &service);
    skyDrive.load();
    EXPECT_EQ(skyDrive.ok(true, 0, QStringLiteral("New")), QStringLiteral("new-id"));

    // With the desktop client, nothing is made online and names travel.
    AlbumChooser googleLocal(env.state(), prompt, Service::Google, local, &service);
    googleLocal.load();
    EXPECT_EQ(googleLocal.ok(true, 0, QStringLiteral("Fresh")), QStringLiteral("Fresh"));
    EXPECT_EQ(googleLocal.ok(false, 0, {}), QStringLiteral("beach"));
    EXPECT_EQ(service.created.size(), 2);

    env.state().InternetAvailable = false;
    EXPECT_EQ(googleLocal.ok(false, 0, {}), std::nullopt);
    EXPECT_EQ(prompt.callsOf(QStringLiteral("internet")).size(), 1);
}

} // namespace

#include "cloudfolders/flows/AlbumChooser.h"

#include "FlowFakes.h"
#include "support/ScriptedUserPrompt.h"
#include "support/TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

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
    FakeAlbums albums;

    // A sync folder holding these subfolders (and a file that is no folder).
    QString syncFolder(const QStringList &folders)
    {
        const QString root = env.path(u"sync"_s);
        for (const QString &f : folders)
            QDir().mkpath(root + u'/' + f);
        env.writeFile(u"sync/loose.jpg"_s, "x");
        return root + u'/';
    }

    // The chooser as it stands once its list is loaded.
    std::unique_ptr<AlbumChooser> loaded(Service service, const QString &folder = {})
    {
        auto chooser = std::make_unique<AlbumChooser>(env.state(), prompt, service, folder, &albums);
        chooser->load();
        return chooser;
    }
};

TEST_F(AlbumChooserTest, ReservedFoldersHideAsEachServiceHidesThem)
{
    const QStringList folders{u"Zoo"_s, u"PL-Prints"_s, u"Download Images"_s, u"beach"_s, u".hidden"_s};
    const QString local = syncFolder(folders);
    albums.listed = {{u"PL-x"_s, u"1"_s}, {u"Download Images"_s, u"2"_s}, {u"moon"_s, u"3"_s}};

    const auto dropboxLocal = loaded(Service::Dropbox, local);
    EXPECT_EQ(texts(dropboxLocal->entries()), (QStringList{u".hidden"_s, u"beach"_s, u"Zoo"_s}));
    EXPECT_EQ(dropboxLocal->entries().at(1).cargo, QDir(local).filePath(u"beach"_s));

    EXPECT_EQ(loaded(Service::SkyDrive, local)->entries().size(), 5);

    EXPECT_EQ(texts(loaded(Service::SkyDrive)->entries()), QStringList{u"moon"_s});

    EXPECT_EQ(loaded(Service::Google)->entries().size(), 3);
}

TEST_F(AlbumChooserTest, FacebookAlwaysOffersTheDefaultAlbumAndAnEmptyFolderOnlyANewOne)
{
    const auto facebook = loaded(Service::Facebook);
    EXPECT_EQ(texts(facebook->entries()), QStringList{u" --Default (Flazz)--"_s});
    EXPECT_EQ(facebook->ok(false, 0, {}), u"me"_s);

    EXPECT_FALSE(loaded(Service::Google, syncFolder({}))->existingEnabled());
}

TEST_F(AlbumChooserTest, OkAnswersPerModeAndStaysOpenWithoutANameOrAConnection)
{
    const QString local = syncFolder({u"beach"_s});
    albums.listed = {{u"moon"_s, u"id-moon"_s}};

    const auto dropbox = loaded(Service::Dropbox);
    EXPECT_EQ(dropbox->ok(true, 0, dropbox->texts().placeholder), std::nullopt);
    EXPECT_EQ(dropbox->ok(true, 0, u"   "_s), std::nullopt);
    const auto asked = prompt.callsOf(u"message"_s);
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked.at(0).text, u"Please enter an Album Name."_s);
    // A new Dropbox folder is made online and answered by its name.
    EXPECT_EQ(dropbox->ok(true, 0, u"Été 2026"_s), u"Été 2026"_s);
    EXPECT_EQ(albums.created, QStringList{u"Été 2026"_s});
    EXPECT_EQ(dropbox->ok(false, 0, {}), u"id-moon"_s);

    EXPECT_EQ(loaded(Service::SkyDrive)->ok(true, 0, u"New"_s), u"new-id"_s);

    // With the desktop client, nothing is made online and names travel.
    const auto googleLocal = loaded(Service::Google, local);
    EXPECT_EQ(googleLocal->ok(true, 0, u"Fresh"_s), u"Fresh"_s);
    EXPECT_EQ(googleLocal->ok(false, 0, {}), u"beach"_s);
    EXPECT_EQ(albums.created.size(), 2);

    env.state().InternetAvailable = false;
    EXPECT_EQ(googleLocal->ok(false, 0, {}), std::nullopt);
    EXPECT_EQ(prompt.callsOf(u"internet"_s).size(), 1);
}

} // namespace

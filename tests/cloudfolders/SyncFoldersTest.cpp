// Finding the desktop clients' folders from their registry values and files.

#include "cloudfolders/SyncFolders.h"
#include "platform/ShellFolders.h"
#include "support/TestEnvironment.h"
#include "support/TestText.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kDropboxKey = u"Software\\Dropbox"_s;
const QString kSkyDriveKey = u"Software\\Microsoft\\SkyDrive"_s;

// The client's file: a hash on the first line, the folder on the second.
QByteArray hostDb(const QByteArray &folder)
{
    return QByteArray(30, 'h').toBase64() + "\r\n" + folder.toBase64() + "\r\n";
}

// A client database as Google Drive keeps it: records of key, value name
// and value, the path in its long form and in UTF-8, each record closed by
// code 30.
QString writeSyncConfig(TestEnvironment &env, const QStringList &roots)
{
    QByteArray bytes("SQLite format 3 highest_app_versionvalue1.9.4536.8202\x1e");
    for (const QString &root : roots)
        bytes += "\x05\x17local_sync_root_pathvalue" + root.toUtf8() + "\x1e\x03";
    const QString path =
        platform::shellFolder(platform::ShellFolder::LocalAppData) + u"/Google/Drive/sync_config.db";
    return env.writeFile(QDir(env.root()).relativeFilePath(path), bytes);
}

} // namespace

TEST(SyncFolders, DropboxFolderComesFromHostDbAndItsAppFolderIsMade)
{
    TestEnvironment env;
    const QString dropbox = env.path(u"Dropbox Café"_s);
    env.writeFile(u"client/host.db"_s, hostDb(dropbox.toUtf8()));
    // The registry names the client's "\bin" folder; host.db sits beside it.
    env.setRegistryValue(kDropboxKey, u"InstallPath"_s, env.path(u"client"_s) + u"\\bin");

    EXPECT_EQ(GetDropboxFolder(), dropbox + u"/Apps/Flazz/");
    EXPECT_TRUE(QFileInfo(dropbox + u"/Apps/Flazz").isDir());

    // A Dropbox folder that was removed comes back with its subfolders, but
    // not where its parent is gone too.
    ASSERT_TRUE(QDir(dropbox).removeRecursively());
    EXPECT_EQ(GetDropboxFolder(), dropbox + u"/Apps/Flazz/");
    EXPECT_TRUE(QFileInfo(dropbox + u"/Apps/Flazz").isDir());
    env.writeFile(u"client/host.db"_s, hostDb(env.path(u"gone/Dropbox"_s).toUtf8()));
    EXPECT_THROW(GetDropboxFolder(), SyncFolderError);
}

TEST(SyncFolders, DropboxLookupsThatFindNothingAnswerEmpty)
{
    struct Case
    {
        const char *what;
        QByteArray hostDb; // empty: no file
        bool registry;
    };
    const Case cases[] = {
        {"no registry value", "", false},
        {"no host.db", "", true},
        {"not Base64 (length)", "abcde\r\nfgh\r\n", true},
        {"decodes too short", QByteArray(20, 'x').toBase64(), true},
        {"nothing after the hash", QByteArray(30, 'h').toBase64(), true},
    };
    for (const Case &c : cases) {
        TestEnvironment env;
        if (!c.hostDb.isEmpty())
            env.writeFile(u"client/host.db"_s, c.hostDb);
        if (c.registry)
            env.setRegistryValue(kDropboxKey, u"InstallPath"_s, env.path(u"client/bin"_s));
        EXPECT_EQ(GetDropboxFolder(), QString()) << c.what;
    }

    // A path without "\bin" is taken as host.db itself; a folder is no file.
    TestEnvironment env;
    env.writeFile(u"client/host.db"_s, hostDb(env.path(u"Dropbox"_s).toUtf8()));
    env.setRegistryValue(kDropboxKey, u"InstallPath"_s, env.path(u"client"_s));
    EXPECT_EQ(GetDropboxFolder(), QString());
}

TEST(SyncFolders, GoogleDriveFolderIsReadFromACopyThatNeverStays)
{
    TestEnvironment env;
    const QString config =
        writeSyncConfig(env, {u"\\\\?\\C:\\Users\\José\\Google Drive"_s, u"\\\\?\\D:\\Other"_s});
    const QByteArray before = readBytes(config);
    const QString copy = env.state().ResourcesFolder + u"gtemp.db";

    EXPECT_EQ(GetGoogleDriveFolder(env.state()), u"C:/Users/José/Google Drive/"_s);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(readBytes(config), before);

    // A database without the value, or a path that never ends, finds
    // nothing, and a stale copy from before is gone all the same.
    for (const QByteArray &broken :
         {QByteArray("SQLite format 3"), QByteArray("local_sync_root_pathvalue\\\\?\\C:\\x")}) {
        QFile::remove(config);
        env.writeFile(QDir(env.root()).relativeFilePath(config), broken);
        env.writeFile(QDir(env.root()).relativeFilePath(copy), "stale");
        EXPECT_EQ(GetGoogleDriveFolder(env.state()), QString());
        EXPECT_FALSE(QFileInfo::exists(copy));
    }
    QFile::remove(config);
    EXPECT_EQ(GetGoogleDriveFolder(env.state()), QString());
}

TEST(SyncFolders, SkyDriveFolderIsMadeWhenMissing)
{
    TestEnvironment env;
    EXPECT_EQ(GetSkyDriveFolder(), QString());
    const QString folder = env.path(u"SkyDrive"_s);
    env.setRegistryValue(kSkyDriveKey, u"UserFolder"_s, folder);
    EXPECT_EQ(GetSkyDriveFolder(), folder + u'/');
    EXPECT_TRUE(QFileInfo(folder).isDir());

    // A folder that is already there is taken as it is.
    env.writeFile(u"SkyDrive/photo.jpg"_s, "x");
    EXPECT_EQ(GetSkyDriveFolder(), folder + u'/');
    EXPECT_TRUE(QFileInfo::exists(folder + u"/photo.jpg"));
}

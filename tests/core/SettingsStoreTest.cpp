#include "core/SettingsStore.h"
#include "core/DataInstall.h"
#include "core/SettingsKeys.h"
#include "support/TestEnvironment.h"
#include "support/TestText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class SettingsStoreTest : public ::testing::Test
{
protected:
    TestEnvironment env;
    SettingsStore store{env.state().SettingsFile};

    void setFile(const char *xml) { env.writeFile(store.fileName(), xml); }
};

TEST_F(SettingsStoreTest, InstalledFileHoldsEveryKey)
{
    for (const char *key :
         {SettingsKey::UploadSize, SettingsKey::Skin, SettingsKey::UploadPrompt, SettingsKey::StartupPrompt,
          SettingsKey::SkypePath, SettingsKey::LifePicsMail, SettingsKey::FacebookAccessToken,
          SettingsKey::FacebookID, SettingsKey::FlickrAccessToken, SettingsKey::DropBoxUid,
          SettingsKey::DropBoxToken, SettingsKey::DropBoxTokenSecret, SettingsKey::GoogleAccessToken,
          SettingsKey::GoogleRefreshToken, SettingsKey::GoogleID, SettingsKey::SkyDriveAccessToken,
          SettingsKey::SkyDriveAuthenticationToken, SettingsKey::SkyDriveRefreshToken}) {
        EXPECT_TRUE(store.read(QString::fromLatin1(key)).has_value()) << key;
    }
}

TEST_F(SettingsStoreTest, KeysMatchTheFirstElementAndIgnoreBlanksAroundSeparators)
{
    setFile("<Settings><Skin>3</Skin><DropBox><uid>first</uid></DropBox>"
            "<DropBox><uid>second</uid></DropBox><Other><uid>elsewhere</uid></Other></Settings>");
    EXPECT_EQ(store.read(QStringLiteral("//Settings//DropBox//uid")), QStringLiteral("first"));
    EXPECT_EQ(store.read(QStringLiteral(" // Settings // DropBox //uid ")), QStringLiteral("first"));
    EXPECT_EQ(store.read(QStringLiteral("//Settings//Skin")), QStringLiteral("3"));
    // Descendant steps: an element deeper down still matches.
    EXPECT_EQ(store.read(QStringLiteral("//Settings//uid")), QStringLiteral("first"));
}

TEST_F(SettingsStoreTest, MissingOrBrokenFileReadsNothingAndWritesNothing)
{
    setFile("<Settings><Skin>3</Skin>"); // not well-formed
    const QByteArray before = readBytes(store.fileName());
    EXPECT_FALSE(store.read(QString::fromLatin1(SettingsKey::Skin)));
    EXPECT_FALSE(store.write(QString::fromLatin1(SettingsKey::Skin), QStringLiteral("1")));
    EXPECT_EQ(readBytes(store.fileName()), before);

    QFile::remove(store.fileName());
    EXPECT_FALSE(store.read(QString::fromLatin1(SettingsKey::Skin)));
    EXPECT_FALSE(store.write(QString::fromLatin1(SettingsKey::Skin), QStringLiteral("1")));
    EXPECT_FALSE(QFile::exists(store.fileName()));
}

TEST_F(SettingsStoreTest, WriteToAbsentElementFailsAndLeavesFileUnchanged)
{
    setFile("<Settings><Skin>3</Skin><Flickr/></Settings>");
    const QByteArray before = readBytes(store.fileName());
    // One good key and one absent: all or nothing.
    EXPECT_FALSE(store.write({{QString::fromLatin1(SettingsKey::Skin), QStringLiteral("4")},
                              {QString::fromLatin1(SettingsKey::FlickrAccessToken), QStringLiteral("t")}}));
    EXPECT_EQ(readBytes(store.fileName()), before);
}

TEST_F(SettingsStoreTest, WriteReplacesTextsKeepsTheRestAndIsOwnerOnly)
{
    ASSERT_TRUE(
        store.write({{QString::fromLatin1(SettingsKey::DropBoxToken), QStringLiteral("tok & <secret>")},
                     {QString::fromLatin1(SettingsKey::DropBoxUid), QStringLiteral("\u00e9\u4e2d")}}));
    EXPECT_EQ(store.read(QString::fromLatin1(SettingsKey::DropBoxToken)), QStringLiteral("tok & <secret>"));
    EXPECT_EQ(store.read(QString::fromLatin1(SettingsKey::DropBoxUid)), QStringLiteral("\u00e9\u4e2d"));
    EXPECT_EQ(store.read(QString::fromLatin1(SettingsKey::UploadSize)), QStringLiteral("1024"));
    const auto perms = QFile::permissions(store.fileName());
    EXPECT_TRUE(perms.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_FALSE(perms & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup |
                          QFileDevice::WriteOther));
    // Nothing else left beside it.
    EXPECT_EQ(QDir(env.state().DataFolder).entryList(QDir::Files),
              QStringList{QStringLiteral("Settings.xml")});
}

TEST(SettingsText, OnlyExactTrueIsOnAndBadNumbersAreZero)
{
    EXPECT_TRUE(SettingsText::isOn(QStringLiteral("True")));
    EXPECT_FALSE(SettingsText::isOn(QStringLiteral("true")));
    EXPECT_FALSE(SettingsText::isOn(QStringLiteral(" True")));
    EXPECT_FALSE(SettingsText::isOn(std::nullopt));
    EXPECT_EQ(SettingsText::toInt(QStringLiteral("1600")), 1600);
    EXPECT_EQ(SettingsText::toInt(QStringLiteral("large")), 0);
    EXPECT_EQ(SettingsText::toInt(QStringLiteral("")), 0);
    EXPECT_EQ(SettingsText::toInt(std::nullopt), 0);
}

TEST(DataInstall, CreatesWhatIsMissingAndNeverOverwrites)
{
    TestEnvironment env; // provisions once
    const QString settings = env.state().SettingsFile;
    ASSERT_TRUE(QFile::exists(settings));
    EXPECT_TRUE(QFile::exists(env.state().ResourcesFolder + QStringLiteral("ad.html")));
    EXPECT_TRUE(QFileInfo(env.state().AppDataFolder + QStringLiteral("log")).isDir());

    SettingsStore(settings).write(QString::fromLatin1(SettingsKey::Skin), QStringLiteral("5"));
    QFile::remove(env.state().ResourcesFolder + QStringLiteral("ad.html"));
    const QStringList created = provisionAppData(env.state().AppDataFolder);
    EXPECT_EQ(created, QStringList{env.state().ResourcesFolder + QStringLiteral("ad.html")});
    EXPECT_EQ(SettingsStore(settings).read(QString::fromLatin1(SettingsKey::Skin)), QStringLiteral("5"));
}

} // namespace

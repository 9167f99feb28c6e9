#include "ConnectorTest.h"
#include "cloudfolders/clsSkydrive.h"
#include "core/SettingsKeys.h"
#include "core/UserPrompt.h"
#include "sandbox/services/LiveService.h"

namespace {

using SkyDriveTest = ConnectorTest<LiveService, clsSkydrive>;

TEST_F(SkyDriveTest, SignsInThroughTheDesktopRedirectAndChecksThePermissions)
{
    auto sky = connector();
    ASSERT_TRUE(sky->CreateAccount());

    const QString base = server.baseUrl();
    const QString desktop = base + u"/oauth20_desktop.srf";
    const QString client = s(LiveService::ClientId);
    EXPECT_EQ(signIn.calls.first(),
              u"browse " + base + u"/oauth20_authorize.srf?client_id=" + client + u"&redirect_uri=" +
                  desktop + u"&scope=wl.offline_access,wl.skydrive_update&response_type=code&display=popup");

    const QList<StandinRequest> exchange = requestsTo("/oauth20_token.srf");
    ASSERT_EQ(exchange.size(), 1);
    const QString code = signIn.visited.last().section(s(u"code="), 1).section(u'&', 0, 0);
    EXPECT_EQ(exchange.first().method, "GET");
    EXPECT_EQ(exchange.first().query, (u"client_id=" + client + u"&redirect_uri=" + desktop + u"&code=" +
                                       code + u"&grant_type=authorization_code")
                                          .toUtf8());

    EXPECT_EQ(stored(SettingsKey::SkyDriveAccessToken), sky->AccessToken());
    EXPECT_TRUE(sky->AccessToken().startsWith(u"EwB"));
    EXPECT_EQ(stored(SettingsKey::SkyDriveAuthenticationToken), sky->AuthenticationToken());
    EXPECT_EQ(stored(SettingsKey::SkyDriveRefreshToken), sky->RefreshToken());

    // The permissions check goes out with an empty content type.
    const QList<StandinRequest> permissions = requestsTo("/v5.0/me/permissions");
    ASSERT_EQ(permissions.size(), 1);
    EXPECT_TRUE(permissions.first().hasHeader("Content-Type"));
    EXPECT_TRUE(permissions.first().header("Content-Type").isEmpty());
    EXPECT_TRUE(prompt.calls.isEmpty());
    EXPECT_TRUE(connector()->IsAuthoriseUserExist());
}

TEST_F(SkyDriveTest, TheCodeIsReadFromTheDecodedAddress)
{
    EndingSignIn ending;
    const QString desktop = server.baseUrl() + u"/oauth20_desktop.srf";
    ending.ending = desktop + u"?code=ab%2Bcd&lc=1033";
    EXPECT_FALSE(connector(ending)->CreateAccount());
    ending.ending = desktop + u"?code=ab+cd&lc=1033";
    EXPECT_FALSE(connector(ending)->CreateAccount());

    const QList<StandinRequest> exchange = requestsTo("/oauth20_token.srf");
    ASSERT_EQ(exchange.size(), 2);
    EXPECT_TRUE(exchange.at(0).query.contains("&code=ab+cd&grant_type="));
    EXPECT_TRUE(exchange.at(1).query.contains("&code=ab%20cd&grant_type="));
    EXPECT_TRUE(prompt.calls.isEmpty());
}

TEST_F(SkyDriveTest, TheVerdictNeedsBothPermissions)
{
    auto sky = connector();
    const struct
    {
        const char16_t *answer;
        bool authorized;
    } cases[] = {
        {uR"({"data":[{"wl.offline_access":1,"wl.skydrive_update":1}]})", true},
        {uR"({"data":[{"wl.offline_access":1}]})", false},
        {uR"({"data":[{"wl.offline_access":1,"wl.skydrive_update":0}]})", false},
        {uR"({"data":[{"wl.offline_access":"0","wl.skydrive_update":1}]})", false},
        {uR"({"data":[]})", false},
        {uR"({"error":{"code":"request_token_invalid"}})", false},
        {u"<html>", false},
    };
    for (const auto &c : cases) {
        sky->XMLIsAppUser_Response(s(c.answer));
        EXPECT_EQ(sky->Authorized(), c.authorized) << s(c.answer).toStdString();
    }
}

TEST_F(SkyDriveTest, WithheldSkyDriveAccessIsNotAuthorized)
{
    signIn.decisions = {s(u"approve:wl.offline_access")};
    EXPECT_FALSE(connector()->CreateAccount());
    EXPECT_FALSE(stored(SettingsKey::SkyDriveAccessToken).isEmpty());
    EXPECT_FALSE(connector()->IsAuthoriseUserExist());

    signIn.decisions = {s(u"refuse")};
    EXPECT_FALSE(connector()->CreateAccount());
    EXPECT_TRUE(prompt.calls.isEmpty());
}

TEST_F(SkyDriveTest, AnExpiredTokenIsRenewedInMemoryOnly)
{
    ASSERT_TRUE(connector()->CreateAccount());
    const QString expired = stored(SettingsKey::SkyDriveAccessToken);
    const QString refresh = stored(SettingsKey::SkyDriveRefreshToken);
    // Expired the way a person trying it by hand would.
    EXPECT_EQ(store.expireTokens(s(u"Live")), 1);
    server.clearRequests();

    auto sky = connector();
    EXPECT_TRUE(sky->IsAuthoriseUserExist());
    const QList<StandinRequest> renewal = requestsTo("/oauth20_token.srf");
    ASSERT_EQ(renewal.size(), 1);
    EXPECT_EQ(renewal.first().query,
              (u"client_id=" + s(LiveService::ClientId) + u"&redirect_uri=" + server.baseUrl() +
               u"/oauth20_desktop.srf&grant_type=refresh_token&refresh_token=" + refresh)
                  .toUtf8());
    EXPECT_NE(sky->AccessToken(), expired);
    EXPECT_EQ(stored(SettingsKey::SkyDriveAccessToken), expired);

    // The renewed token does the work, and the next connector, starting
    // from the stored expired one, renews again.
    EXPECT_FALSE(sky->CreateAlbum(s(u"Renewed")).isEmpty());
    EXPECT_TRUE(connector()->IsAuthoriseUserExist());
    EXPECT_EQ(requestsTo("/oauth20_token.srf").size(), 2);
}

TEST_F(SkyDriveTest, FoldersAreListedAndCreatedInThePhotosFolder)
{
    ASSERT_TRUE(connector()->CreateAccount());
    auto sky = connector();
    const QString id = sky->CreateAlbum(s(u"Été"));
    ASSERT_FALSE(id.isEmpty());
    const StandinRequest created = server.lastRequest();
    EXPECT_EQ(created.body, s(u"{\"name\": \"Été\"}").toUtf8());
    EXPECT_EQ(created.header("Content-Type"), "application/json");
    EXPECT_TRUE(sky->CreateAlbum(s(u"Say \"cheese\"")).isEmpty());

    EXPECT_TRUE(sky->GetFolderList().contains(u"\"data\""));
    const QList<AlbumEntry> folders = sky->albums();
    ASSERT_EQ(folders.size(), 1);
    EXPECT_EQ(folders.first().text, s(u"Été"));
    EXPECT_EQ(folders.first().cargo, id);
}

TEST_F(SkyDriveTest, OfflineNothingIsLoadedOrAsked)
{
    ASSERT_TRUE(connector()->CreateAccount());
    server.clearRequests();
    env.state().InternetAvailable = false;
    auto sky = connector();
    EXPECT_TRUE(sky->AccessToken().isEmpty());
    EXPECT_FALSE(sky->IsAuthoriseUserExist());
    EXPECT_EQ(server.requestCount(), 0);
}

} // namespace

#include "ConnectorTest.h"
#include "cloudfolders/clsGoogle.h"
#include "core/SettingsKeys.h"
#include "core/UserPrompt.h"
#include "sandbox/services/GoogleService.h"

using namespace Qt::StringLiterals;

namespace {

using GoogleTest = ConnectorTest<GoogleService, clsGoogle>;

QList<StandinRequest> tokenRequests(const StandinServer &server, const QString &grant)
{
    QList<StandinRequest> out;
    for (const StandinRequest &r : server.requests()) {
        if (r.path == "/o/oauth2/token" && r.formValue(u"grant_type"_s) == grant)
            out.append(r);
    }
    return out;
}

TEST_F(GoogleTest, SignsInThroughTheApprovalTitleAndStoresTheProfile)
{
    auto google = connector();
    ASSERT_TRUE(google->CreateAccount());

    const QString base = server.baseUrl();
    EXPECT_EQ(
        signIn.calls.first(),
        u"browse " + base +
            u"/o/oauth2/auth?redirect_uri=urn:ietf:wg:oauth:2.0:oob&response_type=code&client_id=" +
            s(GoogleService::ClientId) +
            u"&approval_prompt=force&scope=https%3A%2F%2Fwww.googleapis.com%2Fauth%2Fdrive+https%3A%2F%2Fwww."
            u"googleapis.com%2Fauth%2Fdrive.file&access_type=offline");
    EXPECT_TRUE(signIn.visited.last().startsWith(base + u"/o/oauth2/approval?code=4/"));

    const QList<StandinRequest> exchange = tokenRequests(server, u"authorization_code"_s);
    ASSERT_EQ(exchange.size(), 1);
    const QString code = signIn.visited.last().section(u"code="_s, 1);
    EXPECT_EQ(exchange.first().body,
              (u"code=" + code + u"&client_id=" + s(GoogleService::ClientId) + u"&client_secret=" +
               s(GoogleService::ClientSecret) +
               u"&redirect_uri=urn:ietf:wg:oauth:2.0:oob&grant_type=authorization_code")
                  .toUtf8());
    EXPECT_FALSE(exchange.first().hasHeader("GData-Version"));

    EXPECT_EQ(stored(SettingsKey::GoogleAccessToken), google->AccessToken());
    EXPECT_TRUE(google->AccessToken().startsWith(u"ya29."));
    EXPECT_TRUE(stored(SettingsKey::GoogleRefreshToken).startsWith(u"1/"));
    EXPECT_EQ(stored(SettingsKey::GoogleID), s(GoogleService::AccountId));
    EXPECT_EQ(google->name(), s(GoogleService::AccountName));
    EXPECT_EQ(google->TokenExpiresIn(), 3600);
    EXPECT_TRUE(google->IsAuthoriseUserExist());
    EXPECT_TRUE(prompt.calls.isEmpty());
}

TEST_F(GoogleTest, EveryNewConnectorRenewsAndStoresTheAccessToken)
{
    ASSERT_TRUE(connector()->CreateAccount());
    const QString refresh = stored(SettingsKey::GoogleRefreshToken);
    const QString first = stored(SettingsKey::GoogleAccessToken);
    store.expireTokens(u"Google"_s);
    server.clearRequests();

    auto one = connector();
    const QString second = stored(SettingsKey::GoogleAccessToken);
    auto two = connector();
    const QString third = stored(SettingsKey::GoogleAccessToken);

    const QList<StandinRequest> renewals = tokenRequests(server, u"refresh_token"_s);
    ASSERT_EQ(renewals.size(), 2);
    for (const StandinRequest &r : renewals) {
        EXPECT_EQ(r.header("GData-Version"), "1.4");
        EXPECT_EQ(r.formValue(u"refresh_token"_s), refresh);
    }
    EXPECT_NE(second, first);
    EXPECT_NE(third, second);
    EXPECT_EQ(two->AccessToken(), third);
    EXPECT_EQ(stored(SettingsKey::GoogleRefreshToken), refresh);
    // The renewed token is one the service takes.
    EXPECT_TRUE(two->albums().isEmpty());
    EXPECT_EQ(server.lastRequest().header("Authorization"), (u"Bearer " + third).toUtf8());
}

TEST_F(GoogleTest, TheCodeIsWhatLiesBetweenTheFirstAndSecondEquals)
{
    EndingSignIn ending;
    ending.ending = u"Success code=4/abc=def=ghi"_s;
    auto google = connector(ending);
    EXPECT_FALSE(google->CreateAccount()); // the sandbox never issued that code
    const QList<StandinRequest> exchange = tokenRequests(server, u"authorization_code"_s);
    ASSERT_EQ(exchange.size(), 1);
    EXPECT_TRUE(exchange.first().body.startsWith("code=4/abc&client_id="));
    EXPECT_TRUE(prompt.calls.isEmpty());
}

TEST_F(GoogleTest, ARefusalOrAnAbandonedSignInStoresNothing)
{
    signIn.decisions = {u"refuse"_s};
    EXPECT_FALSE(connector()->CreateAccount());
    EXPECT_TRUE(stored(SettingsKey::GoogleAccessToken).isEmpty());

    EndingSignIn closed; // the window closed on the sign-in page
    closed.ending = u"Request for Permission"_s;
    EXPECT_FALSE(connector(closed)->CreateAccount());
    EXPECT_TRUE(prompt.calls.isEmpty());
}

TEST_F(GoogleTest, AnUnreachableServiceIsReportedOnceAndKeepsTheStoredToken)
{
    ASSERT_TRUE(connector()->CreateAccount());
    const QString token = stored(SettingsKey::GoogleAccessToken);
    config.google.accounts = config.google.drive = u"http://127.0.0.1:1"_s;

    EndingSignIn ending;
    ending.ending = u"Success code=4/x"_s;
    auto google = connector(ending);
    EXPECT_EQ(stored(SettingsKey::GoogleAccessToken), token);
    EXPECT_FALSE(google->CreateAccount());
    ASSERT_EQ(messages(), QStringList{u"Cannot communicate with Google Drive."_s});
    EXPECT_EQ(prompt.calls.size(), 1);
    EXPECT_EQ(prompt.calls.first().style, MsgStyle::Critical);
    EXPECT_TRUE(google->GetFolderList().isEmpty());
    EXPECT_TRUE(google->CreateAlbum(u"x"_s).isEmpty());
}

TEST_F(GoogleTest, FoldersAreListedAndCreatedAtTheTopOfTheDrive)
{
    ASSERT_TRUE(connector()->CreateAccount());
    auto google = connector();
    const QString id = google->CreateAlbum(u"Summer ☀"_s);
    ASSERT_FALSE(id.isEmpty());
    const StandinRequest created = server.lastRequest();
    EXPECT_EQ(created.body, s(u"{\r\n  \"title\": \"Summer ☀\",\r\n  \"mimeType\": "
                              u"\"application/vnd.google-apps.folder\"\r\n}\r\n")
                                .toUtf8());
    EXPECT_EQ(created.header("Content-Type"), "application/json");

    // A quote in the name goes in as it is, and the service cannot read it.
    EXPECT_TRUE(google->CreateAlbum(u"Say \"cheese\""_s).isEmpty());

    const QString list = google->GetFolderList();
    EXPECT_EQ(
        server.lastRequest().queryValue(u"q"_s),
        u"mimeType = 'application/vnd.google-apps.folder' and trashed = false and  'root' in parents"_s);
    EXPECT_TRUE(list.contains(u"\"items\""));
    const QList<AlbumEntry> folders = google->albums();
    ASSERT_EQ(folders.size(), 1);
    EXPECT_EQ(folders.first().text, u"Summer ☀"_s);
    EXPECT_EQ(folders.first().cargo, id);
}

} // namespace

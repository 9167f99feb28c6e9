#include "webservices/clsFacebook.h"

#include "core/SettingsKeys.h"
#include "core/UserPrompt.h"
#include "sandbox/services/FacebookService.h"
#include "support/SandboxWorld.h"
#include "support/TestText.h"

#include <QJsonArray>

#include <gtest/gtest.h>

namespace {

const QString kPermissionMessage =
    s(u"It seems that all the Facebook rights required to install the program have not been granted by you. "
      u"Please "
      u"grant all the required rights to proceed. Flazz will now exit. Please retry.");

class FacebookTest : public ::testing::Test, protected SandboxWorld<FacebookService>
{
protected:
    std::unique_ptr<clsFacebook> connector()
    {
        return std::make_unique<clsFacebook>(state(), config, signIn, ui);
    }

    // A signed-in user as the sign-in leaves them, through the real pages.
    QString signInWith(const QString &decision)
    {
        signIn.decisions = {decision};
        auto fb = connector();
        EXPECT_TRUE(fb->CreateFacebookAccount());
        return stored(SettingsKey::FacebookAccessToken);
    }

    ScriptedUserPrompt &ui = prompt;
};

TEST_F(FacebookTest, SignsInStoresTokenAndIdAndChecksPermissions)
{
    auto fb = connector();
    ASSERT_TRUE(fb->CreateFacebookAccount());

    const QString base = server.baseUrl();
    ASSERT_EQ(signIn.calls.size(), 1);
    EXPECT_EQ(signIn.calls.first(),
              u"browse " + base + u"/dialog/oauth?client_id=246813579024680&redirect_uri=" + base +
                  u"/connect/login_success.html&scope=offline_access,user_photos,read_stream,publish_stream"
                  u"&response_type=token&display=popup");

    const QString token = stored(SettingsKey::FacebookAccessToken);
    EXPECT_TRUE(token.startsWith(u"AAAB"));
    EXPECT_EQ(fb->AccessToken(), token);
    EXPECT_EQ(stored(SettingsKey::FacebookID), s(FacebookService::AccountId));
    EXPECT_TRUE(ui.calls.isEmpty());

    // The profile and the permissions both go through FQL, the latter as the
    // callback object's GET with the form content type.
    const QList<StandinRequest> fql = requestsTo("/method/fql.query", "GET");
    ASSERT_EQ(fql.size(), 2);
    EXPECT_TRUE(
        fql.at(0).queryValue(s(u"query")).endsWith(u"FROM user where uid=" + s(FacebookService::AccountId)));
    EXPECT_EQ(fql.at(1).queryValue(s(u"query")),
              s(u"select user_photos, publish_stream, read_stream from permissions where uid = me()"));
    EXPECT_EQ(fql.at(1).header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(requestsTo("/me", "GET").size(), 1);

    // A later connector finds the stored sign-in still good.
    server.clearRequests();
    EXPECT_TRUE(connector()->IsAuthoriseUserExist());
    EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(FacebookTest, RefusedSignInStoresNothingSaysNothingAndLeavesNothingToCheck)
{
    signIn.decisions = {s(u"refuse")};
    auto fb = connector();
    EXPECT_FALSE(fb->CreateFacebookAccount());
    EXPECT_TRUE(stored(SettingsKey::FacebookAccessToken).isEmpty());
    EXPECT_TRUE(signIn.visited.last().endsWith(u"/login_failure.html"));
    EXPECT_FALSE(connector()->IsAuthoriseUserExist()); // no stored token, no request
    EXPECT_TRUE(requestsTo("/me", "GET").isEmpty());
    EXPECT_TRUE(ui.calls.isEmpty());
}

TEST_F(FacebookTest, AMissingPermissionSignsOutRevokesAndTellsTheUser)
{
    signIn.decisions = {s(u"approve:offline_access,user_photos,publish_stream")};
    auto fb = connector();
    EXPECT_FALSE(fb->CreateFacebookAccount());

    EXPECT_TRUE(stored(SettingsKey::FacebookAccessToken).isEmpty());
    EXPECT_TRUE(stored(SettingsKey::FacebookID).isEmpty());
    const QList<StandinRequest> revoke = requestsTo("/me/permissions", "DELETE");
    ASSERT_EQ(revoke.size(), 1);
    EXPECT_EQ(revoke.first().queryValue(s(u"access_token")), fb->AccessToken());
    EXPECT_TRUE(store.state(s(u"Facebook")).value(u"tokens").toObject().isEmpty());

    ASSERT_EQ(ui.calls.size(), 1);
    EXPECT_EQ(ui.calls.first().text, kPermissionMessage);
    EXPECT_EQ(ui.calls.first().style, MsgStyle::Information);
    EXPECT_EQ(ui.calls.first().title, s(u"Flazz"));
}

TEST_F(FacebookTest, AnErrorResponseRefusesQuietlyAndKeepsTheToken)
{
    const QString token = signInWith(s(u"approve"));
    store.expireTokens(QStringLiteral("Facebook"));
    server.clearRequests();

    EXPECT_FALSE(connector()->IsAuthoriseUserExist());
    EXPECT_EQ(stored(SettingsKey::FacebookAccessToken), token);
    EXPECT_TRUE(requestsTo("/me/permissions", "DELETE").isEmpty());
    EXPECT_TRUE(ui.calls.isEmpty());
}

TEST_F(FacebookTest, AuthFileReplacesTheApplicationIdByItsFirstField)
{
    env.writeFile(env.state().ResourcesFolder.mid(env.root().size() + 1) + u"auth.txt", "123\r\n");
    EXPECT_EQ(connector()->AppId(), s(u"123\r\n"));

    env.writeFile(env.state().ResourcesFolder.mid(env.root().size() + 1) + u"auth.txt",
                  "987\tclient\tsecret\r\n");
    auto fb = connector();
    EXPECT_EQ(fb->AppId(), s(u"987"));
    // The sandbox knows only its own application: the dialog turns this one
    // away, and the sign-in ends without a token.
    EXPECT_FALSE(fb->CreateFacebookAccount());
    EXPECT_TRUE(signIn.calls.first().contains(u"client_id=987&"));
    EXPECT_TRUE(stored(SettingsKey::FacebookAccessToken).isEmpty());
}

TEST_F(FacebookTest, AlbumNamesTravelAsUtf8BytesAndComeBackInTheList)
{
    signInWith(s(u"approve"));
    auto fb = connector();

    const QString id = fb->CreateAlbum(s(u"Café 2026"));
    ASSERT_FALSE(id.isEmpty());
    const QList<StandinRequest> created = requestsTo("/me/albums", "POST");
    ASSERT_EQ(created.size(), 1);
    EXPECT_TRUE(created.first().query.startsWith("name=Caf%C3%A9%202026&access_token="));

    const QList<AlbumEntry> albums = fb->albums();
    ASSERT_EQ(albums.size(), 1);
    EXPECT_EQ(albums.first().text, s(u"Café 2026"));
    EXPECT_EQ(albums.first().cargo, id);
}

TEST_F(FacebookTest, UnreachableFacebookReachesTheCaller)
{
    signInWith(s(u"approve"));
    config.facebook.graph = config.facebook.restApi = s(u"http://127.0.0.1:1");
    auto fb = connector();
    EXPECT_THROW(fb->IsAuthoriseUserExist(), WebRequestError);
    EXPECT_THROW(fb->CreateAlbum(s(u"x")), WebRequestError);
}

} // namespace

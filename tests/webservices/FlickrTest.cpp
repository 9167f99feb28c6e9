// The Flickr connector against the sandbox's Flickr, which checks every
// api_sig with its own MD5 over what arrived.

#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "sandbox/services/FlickrService.h"
#include "support/SandboxWorld.h"
#include "support/TestText.h"
#include "webkit/FlickrSignature.h"
#include "webkit/WebRequest.h"
#include "webservices/clsFlickr.h"

#include <QCryptographicHash>
#include <QFile>

#include <gtest/gtest.h>

namespace {

struct FlickrWorld : SandboxWorld<FlickrService>
{
    std::unique_ptr<clsFlickr> connect()
    {
        return std::make_unique<clsFlickr>(state(), config, signIn, prompt);
    }
    QString storedToken() { return stored(SettingsKey::FlickrAccessToken); }
    void storeToken(const QString &token)
    {
        SettingsStore(state().SettingsFile).write(QLatin1String(SettingsKey::FlickrAccessToken), token);
    }
    QList<StandinRequest> restCalls() const { return requestsTo("/services/rest/"); }
};

} // namespace

TEST(Flickr, SignatureIsTheMd5OfTheSecretAndTheSortedPairsInUtf8)
{
    const auto md5 = [](const QByteArray &base) {
        return QString::fromLatin1(QCryptographicHash::hash(base, QCryptographicHash::Md5).toHex().toUpper());
    };
    EXPECT_EQ(SignFlickrCall(s(u"0a1b2c3d4e5f6a7b"),
                             {{s(u"method"), s(u"flickr.auth.getFrob")}, {s(u"api_key"), s(u"k1")}}),
              md5("0a1b2c3d4e5f6a7bapi_keyk1methodflickr.auth.getFrob"));
    // A caption beyond ASCII is signed as the UTF-8 it travels as.
    EXPECT_EQ(SignFlickrCall(s(u"s"), {{s(u"title"), s(u"\u00C9t\u00E9")}}), md5("stitle\xC3\x89t\xC3\xA9"));
}

TEST(Flickr, SignInStoresTheTokenAndTheServiceAcceptsIt)
{
    FlickrWorld w;
    auto flickr = w.connect();
    ASSERT_TRUE(flickr->CreateFlickrAccount());
    EXPECT_TRUE(w.messages().isEmpty());
    ASSERT_EQ(w.signIn.calls.size(), 3);
    EXPECT_TRUE(w.signIn.calls.at(1).startsWith(u"open " + w.config.flickr.auth +
                                                u"/services/auth/?api_key=" + w.config.flickr.apiKey +
                                                u"&perms=write&frob="));
    EXPECT_EQ(w.storedToken(), flickr->token());
    EXPECT_EQ(flickr->userId(), QLatin1String(FlickrService::AccountId));
    EXPECT_EQ(w.connect()->GetFlickrUserAuthCode(), flickr->token());
    EXPECT_TRUE(w.connect()->CheckFlickrUser(flickr->token()));

    const QList<StandinRequest> calls = w.restCalls();
    ASSERT_EQ(calls.size(), 3);
    EXPECT_TRUE(calls.at(0).body.startsWith(
        QByteArray("method=flickr.auth.getFrob&api_key=" + w.config.flickr.apiKey.toLatin1() + "&api_sig=")));
    EXPECT_TRUE(calls.at(1).body.startsWith("method=flickr.auth.getToken&api_key="));
    EXPECT_TRUE(calls.at(2).body.startsWith("method=flickr.auth.checkToken&api_key="));
    EXPECT_EQ(calls.at(0).header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST(Flickr, AnEmptyTokenIsNotCheckedAndAFailedCheckLeadsToSigningInAgain)
{
    FlickrWorld w;
    auto flickr = w.connect();
    EXPECT_FALSE(flickr->CheckFlickrUser(QString()));
    EXPECT_EQ(w.server.requestCount(), 0);

    ASSERT_TRUE(flickr->CreateFlickrAccount());
    const QString old = w.storedToken();
    // A person expires it from the sandbox page.
    ASSERT_TRUE(w.store.expireToken(s(u"Flickr"), old));
    EXPECT_FALSE(flickr->CheckFlickrUser(old));
    EXPECT_EQ(flickr->lastServiceError(), u"Invalid auth token");

    // A refused sign-in keeps the old token; only "ok" from getToken stores.
    w.signIn.decisions = {s(u"refuse")};
    EXPECT_FALSE(flickr->CreateFlickrAccount());
    EXPECT_EQ(w.storedToken(), old);
    EXPECT_EQ(w.messages(), QStringList{s(u"Authorization failed.")});
    EXPECT_EQ(flickr->lastServiceError(), u"Invalid frob");

    ASSERT_TRUE(flickr->CreateFlickrAccount());
    EXPECT_NE(w.storedToken(), old);
    EXPECT_TRUE(flickr->CheckFlickrUser(w.storedToken()));
}

TEST(Flickr, AWrongSecretIsRefusedAsInvalidSignature)
{
    FlickrWorld w;
    w.storeToken(s(u"kept"));
    ServiceConfig wrong = w.config;
    wrong.flickr.sharedSecret = s(u"ffffffffffffffff");
    clsFlickr flickr(w.state(), wrong, w.signIn, w.prompt);
    EXPECT_FALSE(flickr.CreateFlickrAccount());
    EXPECT_EQ(w.messages(), QStringList{s(u"Flickr returned an error. Authorization failed.")});
    EXPECT_EQ(w.prompt.callsOf(s(u"message")).first().title, u"Flazz");
    EXPECT_EQ(flickr.lastServiceError(), u"Invalid signature");
    EXPECT_TRUE(w.signIn.calls.isEmpty());
    EXPECT_EQ(w.storedToken(), u"kept");
}

TEST(Flickr, ABrowserThatCannotStartIsMessage570ThenThePageIsShownInstead)
{
    FlickrWorld shown;
    auto signedIn = shown.connect();
    shown.signIn.browserStarts = false;
    ASSERT_TRUE(signedIn->CreateFlickrAccount());
    EXPECT_EQ(shown.messages(), QStringList{s(u"Flickr returned an error. Authorization failed.")});
    ASSERT_EQ(shown.signIn.calls.size(), 4);
    EXPECT_TRUE(shown.signIn.calls.at(2).startsWith(u"instead Flickr " + shown.config.flickr.auth));
    EXPECT_EQ(shown.signIn.calls.at(3), u"complete");
    EXPECT_EQ(shown.storedToken(), signedIn->token());

    // Nowhere to show it: the sign-in ends there, without an exchange.
    FlickrWorld w;
    auto flickr = w.connect();
    w.signIn.browserStarts = false;
    w.signIn.ownWindow = false;
    EXPECT_FALSE(flickr->CreateFlickrAccount());
    EXPECT_EQ(w.messages(), QStringList{s(u"Flickr returned an error. Authorization failed.")});
    EXPECT_FALSE(w.signIn.calls.contains(s(u"complete")));
    EXPECT_EQ(w.restCalls().size(), 1); // the frob, and no token exchange
}

TEST(Flickr, CancellingEndsQuietlyAndNoServiceIsMessage478)
{
    FlickrWorld w;
    auto flickr = w.connect();
    w.signIn.authorizeAnswers = {false};
    EXPECT_FALSE(flickr->CreateFlickrAccount());
    w.signIn.completeAnswers = {false};
    EXPECT_FALSE(flickr->CreateFlickrAccount());
    EXPECT_TRUE(w.messages().isEmpty());
    EXPECT_EQ(w.restCalls().size(), 2); // two frobs, no exchange

    ServiceConfig nowhere = w.config;
    nowhere.flickr.rest = s(u"http://127.0.0.1:1");
    clsFlickr offline(w.state(), nowhere, w.signIn, w.prompt);
    EXPECT_FALSE(offline.CreateFlickrAccount());
    EXPECT_EQ(w.messages(), QStringList{s(u"Cannot communicate with FlickR.")});
    EXPECT_FALSE(offline.CheckFlickrUser(s(u"any")));
}

TEST(Flickr, ASettingsFileWithoutAPlaceForTheTokenIsReportedAndOneThatDoesNotLoadIsNot)
{
    FlickrWorld w;
    QFile file(w.state().SettingsFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<?xml version=\"1.0\"?>\n<Settings><UploadSize>1024</UploadSize></Settings>\n");
    file.close();
    w.connect()->CreateFlickrAccount();
    const auto reports = w.prompt.callsOf(s(u"error"));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.at(0).text.contains(u"Procedure: CreateFlickrAccount"));
    EXPECT_TRUE(reports.at(0).text.contains(u"Module: clsFlickr"));

    ASSERT_TRUE(QFile::remove(w.state().SettingsFile));
    w.connect()->CreateFlickrAccount();
    EXPECT_EQ(w.prompt.callsOf(s(u"error")).size(), 1);
}

// The Dropbox connector against the sandbox's Dropbox, whose verifier
// rebuilds every signature from what arrived on the wire.

#include "ConnectorTest.h"
#include "cloudfolders/clsDropbox.h"
#include "core/SettingsKeys.h"
#include "sandbox/services/DropboxService.h"

#include <QJsonArray>

#include <filesystem>

using namespace Qt::StringLiterals;

namespace {

class Dropbox : public ConnectorTest<DropboxService, clsDropbox>
{
protected:
    // Every folder the service keeps for the account, hidden ones too.
    QStringList folders() const
    {
        const QJsonValue account =
            store.state(u"Dropbox"_s)[u"accounts"][QLatin1String(DropboxService::AccountId)];
        return QVariant(account[u"folders"].toArray().toVariantList()).toStringList();
    }
};

QStringList queryNames(const QByteArray &query)
{
    QStringList names;
    for (const QByteArray &part : query.split('&'))
        names << QString::fromLatin1(part.left(part.indexOf('=')));
    return names;
}

} // namespace

TEST_F(Dropbox, SignInSendsTheProgramsParametersAndStoresTheTokenForTheOwnerOnly)
{
    auto dropbox = connector();
    EXPECT_FALSE(dropbox->IsAuthoriseUserExist());

    ASSERT_TRUE(dropbox->CreateAccount());
    ASSERT_EQ(signIn.calls.size(), 3);
    EXPECT_EQ(signIn.calls.at(0), u"authorize");
    EXPECT_TRUE(
        signIn.calls.at(1).startsWith(u"open " + config.dropbox.web + u"/1/oauth/authorize?oauth_token="));
    EXPECT_EQ(signIn.calls.at(2), u"complete");
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(signIn.busyTimes, 1);
    EXPECT_FALSE(signIn.busy);

    EXPECT_EQ(stored(SettingsKey::DropBoxUid), QLatin1String(DropboxService::AccountId));
    EXPECT_EQ(stored(SettingsKey::DropBoxToken), dropbox->AccessToken());
    EXPECT_EQ(stored(SettingsKey::DropBoxTokenSecret), dropbox->AccessTokenSecret());
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::status(state().SettingsFile.toStdString()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write); // 0600
    EXPECT_TRUE(dropbox->authorized());

    // A new connector, as the next click makes, finds the token working.
    EXPECT_TRUE(connector()->IsAuthoriseUserExist());

    // The requests carry the program's parameters in its order; the
    // signatures themselves are rebuilt and checked by the stand-in.
    const QList<StandinRequest> tokenRequests = requestsTo("/1/oauth/request_token");
    ASSERT_EQ(tokenRequests.size(), 1);
    const StandinRequest request = tokenRequests.first();
    EXPECT_EQ(queryNames(request.query),
              (QStringList{u"oauth_consumer_key"_s, u"oauth_nonce"_s, u"oauth_timestamp"_s,
                           u"oauth_signature_method"_s, u"oauth_version"_s, u"oauth_signature"_s}));
    EXPECT_EQ(request.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_TRUE(request.body.isEmpty());
    const QList<StandinRequest> exchange = requestsTo("/1/oauth/access_token");
    ASSERT_EQ(exchange.size(), 1);
    EXPECT_EQ(queryNames(exchange.first().query),
              (QStringList{u"oauth_consumer_key"_s, u"oauth_nonce"_s, u"oauth_token"_s, u"oauth_timestamp"_s,
                           u"oauth_signature_method"_s, u"oauth_version"_s, u"oauth_signature"_s}));
}

TEST_F(Dropbox, FolderNamesWithBlanksAndAccentsAreSignedAndCreated)
{
    auto dropbox = connector();
    ASSERT_TRUE(dropbox->CreateAccount());

    for (const QString &name : {u"My Trip"_s, u"Été à Zürich"_s, u"PL-hidden"_s, u"Download Images"_s}) {
        EXPECT_EQ(dropbox->createAlbum(name), name);
        EXPECT_TRUE(dropbox->lastServiceError().isEmpty())
            << qPrintable(name + u": " + dropbox->lastServiceError());
    }
    // A blank travels once encoded in the query; the signature (checked by
    // the sandbox) covers it encoded twice.
    const QList<StandinRequest> creates = requestsTo("/1/fileops/create_folder");
    ASSERT_EQ(creates.size(), 4);
    EXPECT_TRUE(creates.at(0).query.contains("&root=sandbox&path=%2FMy%20Trip&oauth_signature="));
    EXPECT_TRUE(creates.at(1).query.contains("path=%2F%C9t%E9%20%E0%20Z%FCrich"));

    EXPECT_EQ(folders(),
              (QStringList{u"/My Trip"_s, u"/Été à Zürich"_s, u"/PL-hidden"_s, u"/Download Images"_s}));
    QStringList listed;
    for (const AlbumEntry &entry : dropbox->albums()) {
        EXPECT_EQ(entry.text, entry.cargo);
        listed << entry.text;
    }
    EXPECT_EQ(listed, (QStringList{u"My Trip"_s, u"Été à Zürich"_s}));

    // The same name again is refused by the service and reported back.
    dropbox->CreateFolder(u"my trip"_s);
    EXPECT_TRUE(dropbox->lastServiceError().contains(u"already exists"));
}

TEST_F(Dropbox, TamperedSignaturesAreRefused)
{
    {
        // A consumer secret the service does not know signs every request
        // wrongly; the first one already fails.
        ServiceConfig wrong = config;
        wrong.dropbox.consumerSecret = u"notthesecret000"_s;
        clsDropbox dropbox(state(), wrong, signIn, prompt);
        EXPECT_FALSE(dropbox.CreateAccount());
        EXPECT_EQ(messages(), QStringList{u"Cannot communicate with Dropbox."_s});
        EXPECT_EQ(prompt.callsOf(u"message"_s).first().title, u"Flazz");
        EXPECT_EQ(dropbox.lastServiceError(), u"Invalid signature.");
        EXPECT_TRUE(signIn.calls.isEmpty());
    }
    {
        auto dropbox = connector();
        ASSERT_TRUE(dropbox->CreateAccount());
        // A token secret changed in the settings file no longer signs.
        SettingsStore(state().SettingsFile)
            .write(QLatin1String(SettingsKey::DropBoxTokenSecret), u"tamperedsecret0"_s);
        auto next = connector();
        EXPECT_FALSE(next->IsAuthoriseUserExist());
        EXPECT_EQ(next->lastServiceError(), u"Invalid signature.");
        EXPECT_TRUE(next->albums().isEmpty());
    }
}

TEST_F(Dropbox, AnExpiredTokenLeadsToSigningInAgain)
{
    auto first = connector();
    ASSERT_TRUE(first->CreateAccount());
    const QString oldToken = first->AccessToken();
    ASSERT_TRUE(store.expireToken(u"Dropbox"_s, oldToken));

    auto dropbox = connector();
    EXPECT_FALSE(dropbox->IsAuthoriseUserExist());
    EXPECT_EQ(dropbox->lastServiceError(), u"Access token is expired.");
    ASSERT_TRUE(dropbox->CreateAccount());
    EXPECT_NE(dropbox->AccessToken(), oldToken);
    EXPECT_TRUE(connector()->IsAuthoriseUserExist());
}

TEST_F(Dropbox, RefusingOrCancellingEndsQuietlyWithoutAToken)
{
    auto dropbox = connector();

    signIn.decisions = {u"refuse"_s};
    EXPECT_FALSE(dropbox->CreateAccount());
    EXPECT_FALSE(dropbox->lastServiceError().isEmpty());

    signIn.calls.clear();
    signIn.authorizeAnswers = {false};
    EXPECT_FALSE(dropbox->CreateAccount());
    EXPECT_EQ(signIn.calls, QStringList{u"authorize"_s});

    signIn.calls.clear();
    signIn.completeAnswers = {false};
    EXPECT_FALSE(dropbox->CreateAccount());
    EXPECT_EQ(signIn.calls.size(), 3);

    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(requestsTo("/1/oauth/access_token").size(), 1); // only after the refusal
    EXPECT_TRUE(stored(SettingsKey::DropBoxUid).isEmpty());
}

// A browser that cannot be started says so; the page is then approved where
// the program shows it. With nowhere to show it, the token exchange is still
// tried: the service refuses the request token nobody approved.
TEST_F(Dropbox, ABrowserThatCannotStartSays571AndTheProgramShowsThePageInstead)
{
    auto dropbox = connector();
    signIn.browserStarts = false;
    ASSERT_TRUE(dropbox->CreateAccount());
    EXPECT_EQ(messages(), QStringList{u"Authorization failed."_s});
    ASSERT_EQ(signIn.calls.size(), 4);
    EXPECT_TRUE(signIn.calls.at(2).startsWith(u"instead Dropbox " + config.dropbox.web +
                                              u"/1/oauth/authorize?oauth_token="));
    EXPECT_EQ(signIn.calls.at(3), u"complete");
    EXPECT_EQ(stored(SettingsKey::DropBoxUid), QLatin1String(DropboxService::AccountId));

    SandboxWorld<DropboxService> bare;
    bare.signIn.browserStarts = false;
    bare.signIn.ownWindow = false;
    EXPECT_FALSE(clsDropbox(bare.state(), bare.config, bare.signIn, bare.prompt).CreateAccount());
    EXPECT_EQ(bare.messages(), QStringList{u"Authorization failed."_s});
    EXPECT_FALSE(bare.signIn.calls.contains(u"complete"_s));
    EXPECT_EQ(bare.requestsTo("/1/oauth/access_token").size(), 1);
    EXPECT_TRUE(bare.stored(SettingsKey::DropBoxUid).isEmpty());
}

TEST_F(Dropbox, NoRequestWithoutInternetAndMessage602WithoutService)
{
    state().InternetAvailable = false;
    auto offline = connector();
    EXPECT_EQ(server.requestCount(), 0);

    ServiceConfig nowhere = config;
    nowhere.dropbox.api = u"http://127.0.0.1:1"_s;
    clsDropbox dropbox(state(), nowhere, signIn, prompt);
    EXPECT_FALSE(dropbox.CreateAccount());
    EXPECT_EQ(messages(), QStringList{u"Cannot communicate with Dropbox."_s});
    EXPECT_FALSE(dropbox.IsAuthoriseUserExist());
    EXPECT_TRUE(dropbox.GetDBFolderList().isEmpty());
}

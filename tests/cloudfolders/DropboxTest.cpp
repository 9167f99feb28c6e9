// The Dropbox connector against the sandbox's Dropbox, whose verifier
// rebuilds every signature from what arrived on the wire.

#include "cloudfolders/clsDropbox.h"
#include "core/SettingsKeys.h"
#include "sandbox/services/DropboxService.h"
#include "support/SandboxWorld.h"

#include <QJsonArray>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct DropboxWorld : SandboxWorld<DropboxService>
{
    std::unique_ptr<clsDropbox> connect()
    {
        return std::make_unique<clsDropbox>(state(), config, signIn, prompt);
    }
    QStringList folders()
    {
        QStringList out;
        const QJsonArray list = store.state(QStringLiteral("Dropbox"))
                                    .value(u"accounts")
                                    .toObject()
                                    .value(QLatin1String(DropboxService::AccountId))
                                    .toObject()
                                    .value(u"folders")
                                    .toArray();
        for (const QJsonValue &v : list)
            out << v.toString();
        return out;
    }
};

QStringList strings(std::initializer_list<const char16_t *> texts)
{
    QStringList out;
    for (const char16_t *text : texts)
        out << QString::fromUtf16(text);
    return out;
}

QStringList queryNames(const QByteArray &query)
{
    QStringList names;
    for (const QByteArray &part : query.split('&'))
        names << QString::fromLatin1(part.left(part.indexOf('=')));
    return names;
}

} // namespace

TEST(Dropbox, SignInSendsTheProgramsParametersAndStoresTheTokenForTheOwnerOnly)
{
    DropboxWorld w;
    auto dropbox = w.connect();
    EXPECT_FALSE(dropbox->IsAuthoriseUserExist());

    ASSERT_TRUE(dropbox->CreateAccount());
    ASSERT_EQ(w.signIn.calls.size(), 3);
    EXPECT_EQ(w.signIn.calls.at(0), u"authorize");
    EXPECT_TRUE(w.signIn.calls.at(1).startsWith(u"open " + w.config.dropbox.web +
                                                u"/1/oauth/authorize?oauth_token="));
    EXPECT_EQ(w.signIn.calls.at(2), u"complete");
    EXPECT_TRUE(w.messages().isEmpty());
    EXPECT_EQ(w.signIn.busyTimes, 1);
    EXPECT_FALSE(w.signIn.busy);

    EXPECT_EQ(w.stored(SettingsKey::DropBoxUid), QLatin1String(DropboxService::AccountId));
    EXPECT_EQ(w.stored(SettingsKey::DropBoxToken), dropbox->AccessToken());
    EXPECT_EQ(w.stored(SettingsKey::DropBoxTokenSecret), dropbox->AccessTokenSecret());
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::status(w.state().SettingsFile.toStdString()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write); // 0600
    EXPECT_TRUE(dropbox->authorized());

    // A new connector, as the next click makes, finds the token working.
    EXPECT_TRUE(w.connect()->IsAuthoriseUserExist());

    // The requests carry the program's parameters in its order; the
    // signatures themselves are rebuilt and checked by the stand-in.
    const QList<StandinRequest> tokenRequests = w.requestsTo("/1/oauth/request_token");
    ASSERT_EQ(tokenRequests.size(), 1);
    const StandinRequest request = tokenRequests.first();
    EXPECT_EQ(queryNames(request.query),
              strings({u"oauth_consumer_key", u"oauth_nonce", u"oauth_timestamp", u"oauth_signature_method",
                       u"oauth_version", u"oauth_signature"}));
    EXPECT_EQ(request.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_TRUE(request.body.isEmpty());
    const QList<StandinRequest> exchange = w.requestsTo("/1/oauth/access_token");
    ASSERT_EQ(exchange.size(), 1);
    EXPECT_EQ(queryNames(exchange.first().query),
              strings({u"oauth_consumer_key", u"oauth_nonce", u"oauth_token", u"oauth_timestamp",
                       u"oauth_signature_method", u"oauth_version", u"oauth_signature"}));
}

TEST(Dropbox, FolderNamesWithBlanksAndAccentsAreSignedAndCreated)
{
    DropboxWorld w;
    auto dropbox = w.connect();
    ASSERT_TRUE(dropbox->CreateAccount());

    for (const QString &name : {QStringLiteral("My Trip"), QStringLiteral("Été à Zürich"),
                                QStringLiteral("PL-hidden"), QStringLiteral("Download Images")}) {
        EXPECT_EQ(dropbox->createAlbum(name), name);
        EXPECT_TRUE(dropbox->lastServiceError().isEmpty())
            << qPrintable(name + u": " + dropbox->lastServiceError());
    }
    // A blank travels once encoded in the query; the signature (checked by
    // the sandbox) covers it encoded twice.
    const QList<StandinRequest> creates = w.requestsTo("/1/fileops/create_folder");
    ASSERT_EQ(creates.size(), 4);
    EXPECT_TRUE(creates.at(0).query.contains("&root=sandbox&path=%2FMy%20Trip&oauth_signature="));
    EXPECT_TRUE(creates.at(1).query.contains("path=%2F%C9t%E9%20%E0%20Z%FCrich"));

    EXPECT_EQ(w.folders(), strings({u"/My Trip", u"/Été à Zürich", u"/PL-hidden", u"/Download Images"}));
    QStringList listed;
    for (const AlbumEntry &entry : dropbox->albums()) {
        EXPECT_EQ(entry.text, entry.cargo);
        listed << entry.text;
    }
    EXPECT_EQ(listed, strings({u"My Trip", u"Été à Zürich"}));

    // The same name again is refused by the service and reported back.
    dropbox->CreateFolder(QStringLiteral("my trip"));
    EXPECT_TRUE(dropbox->lastServiceError().contains(u"already exists"));
}

TEST(Dropbox, TamperedSignaturesAreRefused)
{
    DropboxWorld w;
    {
        // A consumer secret the service does not know signs every request
        // wrongly; the first one already fails.
        ServiceConfig wrong = w.config;
        wrong.dropbox.consumerSecret = QStringLiteral("notthesecret000");
        clsDropbox dropbox(w.state(), wrong, w.signIn, w.prompt);
        EXPECT_FALSE(dropbox.CreateAccount());
        EXPECT_EQ(w.messages(), strings({u"Cannot communicate with Dropbox."}));
        EXPECT_EQ(w.prompt.callsOf(QStringLiteral("message")).first().title, u"Flazz");
        EXPECT_EQ(dropbox.lastServiceError(), u"Invalid signature.");
        EXPECT_TRUE(w.signIn.calls.isEmpty());
    }
    {
        auto dropbox = w.connect();
        ASSERT_TRUE(dropbox->CreateAccount());
        // A token secret changed in the settings file no longer signs.
        SettingsStore(w.state().SettingsFile)
            .write(QLatin1String(SettingsKey::DropBoxTokenSecret), QStringLiteral("tamperedsecret0"));
        auto next = w.connect();
        EXPECT_FALSE(next->IsAuthoriseUserExist());
        EXPECT_EQ(next->lastServiceError(), u"Invalid signature.");
        EXPECT_TRUE(next->albums().isEmpty());
    }
}

TEST(Dropbox, AnExpiredTokenLeadsToSigningInAgain)
{
    DropboxWorld w;
    auto first = w.connect();
    ASSERT_TRUE(first->CreateAccount());
    const QString oldToken = first->AccessToken();
    ASSERT_TRUE(w.store.expireToken(QStringLiteral("Dropbox"), oldToken));

    auto dropbox = w.connect();
    EXPECT_FALSE(dropbox->IsAuthoriseUserExist());
    EXPECT_EQ(dropbox->lastServiceError(), u"Access token is expired.");
    ASSERT_TRUE(dropbox->CreateAccount());
    EXPECT_NE(dropbox->AccessToken(), oldToken);
    EXPECT_TRUE(w.connect()->IsAuthoriseUserExist());
}

TEST(Dropbox, RefusingOrCancellingEndsQuietlyWithoutAToken)
{
    DropboxWorld w;
    auto dropbox = w.connect();

    w.signIn.decisions = {QStringLiteral("refuse")};
    EXPECT_FALSE(dropbox->CreateAccount());
    EXPECT_FALSE(dropbox->lastServiceError().isEmpty());

    w.signIn.calls.clear();
    w.signIn.authorizeAnswers = {false};
    EXPECT_FALSE(dropbox->CreateAccount());
    EXPECT_EQ(w.signIn.calls, strings({u"authorize"}));

    w.signIn.calls.clear();
    w.signIn.completeAnswers = {false};
    EXPECT_FALSE(dropbox->CreateAccount());
    EXPECT_EQ(w.signIn.calls.size(), 3);

    EXPECT_TRUE(w.messages().isEmpty());
    EXPECT_EQ(w.requestsTo("/1/oauth/access_token").size(), 1); // only after the refusal
    EXPECT_TRUE(w.stored(SettingsKey::DropBoxUid).isEmpty());
}

// A browser that cannot be started says so; the page is then approved where
// the program shows it. With nowhere to show it, the token exchange is still
// tried: the service refuses the request token nobody approved.
TEST(Dropbox, ABrowserThatCannotStartSays571AndTheProgramShowsThePageInstead)
{
    DropboxWorld w;
    auto dropbox = w.connect();
    w.signIn.browserStarts = false;
    ASSERT_TRUE(dropbox->CreateAccount());
    EXPECT_EQ(w.messages(), QStringList{QStringLiteral("Authorization failed.")});
    ASSERT_EQ(w.signIn.calls.size(), 4);
    EXPECT_TRUE(w.signIn.calls.at(2).startsWith(u"instead Dropbox " + w.config.dropbox.web +
                                                u"/1/oauth/authorize?oauth_token="));
    EXPECT_EQ(w.signIn.calls.at(3), u"complete");
    EXPECT_EQ(w.stored(SettingsKey::DropBoxUid), QLatin1String(DropboxService::AccountId));

    DropboxWorld bare;
    auto nowhere = bare.connect();
    bare.signIn.browserStarts = false;
    bare.signIn.ownWindow = false;
    EXPECT_FALSE(nowhere->CreateAccount());
    EXPECT_EQ(bare.messages(), QStringList{QStringLiteral("Authorization failed.")});
    EXPECT_FALSE(bare.signIn.calls.contains(QStringLiteral("complete")));
    EXPECT_EQ(bare.requestsTo("/1/oauth/access_token").size(), 1);
    EXPECT_TRUE(bare.stored(SettingsKey::DropBoxUid).isEmpty());
}

TEST(Dropbox, NoRequestWithoutInternetAndMessage602WithoutService)
{
    DropboxWorld w;
    w.state().InternetAvailable = false;
    auto offline = w.connect();
    EXPECT_EQ(w.server.requestCount(), 0);

    ServiceConfig nowhere = w.config;
    nowhere.dropbox.api = QStringLiteral("http://127.0.0.1:1");
    clsDropbox dropbox(w.state(), nowhere, w.signIn, w.prompt);
    EXPECT_FALSE(dropbox.CreateAccount());
    EXPECT_EQ(w.messages(), strings({u"Cannot communicate with Dropbox."}));
    EXPECT_FALSE(dropbox.IsAuthoriseUserExist());
    EXPECT_TRUE(dropbox.GetDBFolderList().isEmpty());
}

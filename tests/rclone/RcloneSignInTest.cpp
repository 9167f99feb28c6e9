#include "rclone/RcloneCommand.h"
#include "sandbox/StandinServer.h"
#include "support/ProgramRun.h"
#include "support/RcloneWorld.h"
#include "support/ScriptedSignIn.h"
#include "support/TestEnvironment.h"
#include "support/TestText.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr char kAccessToken[] = "AT-SECRET-3";
constexpr char kRefreshToken[] = "RT-SECRET-4";

// The authorization and token endpoints of a service that approves anyone.
struct OAuthStandin
{
    StandinServer server;
    OAuthStandin()
    {
        server.answer("GET", "/auth", [](const StandinRequest &request) {
            const QString back = request.queryValue(u"redirect_uri"_s) + u"?state=" +
                                 request.queryValue(u"state"_s) + u"&code=CODE-1";
            return StandinAnswer{302, {{"Location", back.toUtf8()}}, {}};
        });
        server.answer("POST", "/token",
                      StandinAnswer{200,
                                    {{"Content-Type", "application/json"}},
                                    QByteArray("{\"access_token\":\"") + kAccessToken +
                                        "\",\"token_type\":\"Bearer\",\"refresh_token\":\"" + kRefreshToken +
                                        "\",\"expires_in\":3600}"});
    }
    QStringList options() const
    {
        return {u"client_id"_s,     u"cid"_s,
                u"auth_url"_s,      server.baseUrl() + u"/auth",
                u"token_url"_s,     server.baseUrl() + u"/token",
                u"client_secret"_s, u"csecret"_s};
    }
};

QStringList remoteNames(const RcloneSetup &setup)
{
    QList<RcloneRemoteInfo> remotes;
    QString error;
    listRcloneRemotes(setup, &remotes, &error);
    QStringList names;
    for (const RcloneRemoteInfo &remote : remotes)
        names << remote.name + u'=' + remote.type;
    return names;
}

} // namespace

TEST(RcloneSignInTest, ThePageOpensAsEverySignInsAndTheTokenStaysWithRclone)
{
    TestEnvironment env;
    RcloneWorld world(env.root());
    OAuthStandin service;
    QString error;
    const auto authorize = [&](const QString &name, ScriptedSignIn &through) {
        return authorizeRcloneRemote(world.setup(), name, u"dropbox"_s, service.options(), false, through,
                                     &error);
    };
    // A cancelled sign-in leaves no remote behind, and the port free for the next.
    ScriptedSignIn cancelled;
    cancelled.approveInBrowser = false;
    cancelled.completeAnswers = {false};
    EXPECT_FALSE(authorize(u"my box"_s, cancelled));
    EXPECT_EQ(error, u"The sign-in was cancelled");
    EXPECT_FALSE(remoteNames(world.setup()).contains(u"my box=dropbox"));

    ScriptedSignIn signIn;
    ASSERT_TRUE(authorize(u"my box"_s, signIn)) << qPrintable(error);
    ASSERT_EQ(signIn.calls.size(), 2);
    EXPECT_TRUE(signIn.calls.at(0).startsWith(u"open http://127.0.0.1:53682/auth"))
        << qPrintable(signIn.calls.at(0));
    EXPECT_EQ(signIn.calls.at(1), u"complete");
    EXPECT_TRUE(remoteNames(world.setup()).contains(u"my box=dropbox"));

    // rclone keeps the token in its configuration; nothing of ours has it.
    EXPECT_TRUE(readBytes(world.configFile).contains(kAccessToken));
    QDirIterator files(env.path(u"data"_s), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        EXPECT_FALSE(readBytes(files.next()).contains(kRefreshToken)) << qPrintable(files.filePath());

    // A name that is taken is never signed in over.
    EXPECT_FALSE(authorize(u"my box"_s, signIn));
    EXPECT_EQ(error, u"There is a remote called my box already");
}

TEST(RcloneSignInTest, TheCommandLineListsRemotesAndSignsInOnTheTerminal)
{
    TestEnvironment env;
    RcloneWorld world(env.root());
    const ProgramRun listed = runProgram(QStringLiteral(FLAZZ_CLI), {u"remotes"_s});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.lines, (QStringList{u"dav\twebdav"_s, u"photos\talias"_s}));

    OAuthStandin service;
    QProcess cli;
    QStringList args{u"signin"_s, u"rclone:dropbox"_s, u"box"_s};
    const QStringList options = service.options();
    for (qsizetype i = 0; i + 1 < options.size(); i += 2)
        args << options.at(i) + u'=' + options.at(i + 1);
    cli.start(QStringLiteral(FLAZZ_CLI), args);
    ASSERT_TRUE(cli.waitForReadyRead(60000));
    const QString link = QString::fromUtf8(cli.readLine()).trimmed();
    EXPECT_TRUE(link.startsWith(u"http://127.0.0.1:53682/auth")) << qPrintable(link);
    ScriptedSignIn browser;
    browser.walk(link, {});
    cli.write("\n");
    ASSERT_TRUE(cli.waitForFinished(60000));
    const QByteArray said = cli.readAll() + cli.readAllStandardError();
    EXPECT_EQ(cli.exitCode(), 0) << said.constData();
    EXPECT_TRUE(said.contains("signed in\trclone:box\tdropbox")) << said.constData();
    EXPECT_FALSE(said.contains(kAccessToken) || said.contains(kRefreshToken));
    EXPECT_TRUE(remoteNames(world.setup()).contains(u"box=dropbox"));
}

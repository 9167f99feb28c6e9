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
            const QString back = request.queryValue(QStringLiteral("redirect_uri")) + u"?state=" +
                                 request.queryValue(QStringLiteral("state")) + u"&code=CODE-1";
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
        return {QStringLiteral("client_id"),     QStringLiteral("cid"),       QStringLiteral("auth_url"),
                server.baseUrl() + u"/auth",     QStringLiteral("token_url"), server.baseUrl() + u"/token",
                QStringLiteral("client_secret"), QStringLiteral("csecret")};
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
        return authorizeRcloneRemote(world.setup(), name, QStringLiteral("dropbox"), service.options(), false,
                                     through, &error);
    };
    // A cancelled sign-in leaves no remote behind, and the port free for the next.
    ScriptedSignIn cancelled;
    cancelled.approveInBrowser = false;
    cancelled.completeAnswers = {false};
    EXPECT_FALSE(authorize(QStringLiteral("my box"), cancelled));
    EXPECT_EQ(error, u"The sign-in was cancelled");
    EXPECT_FALSE(remoteNames(world.setup()).contains(u"my box=dropbox"));

    ScriptedSignIn signIn;
    ASSERT_TRUE(authorize(QStringLiteral("my box"), signIn)) << qPrintable(error);
    ASSERT_EQ(signIn.calls.size(), 2);
    EXPECT_TRUE(signIn.calls.at(0).startsWith(u"open http://127.0.0.1:53682/auth"))
        << qPrintable(signIn.calls.at(0));
    EXPECT_EQ(signIn.calls.at(1), u"complete");
    EXPECT_TRUE(remoteNames(world.setup()).contains(u"my box=dropbox"));

    // rclone keeps the token in its configuration; nothing of ours has it.
    EXPECT_TRUE(readBytes(world.configFile).contains(kAccessToken));
    QDirIterator files(env.path(QStringLiteral("data")), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        EXPECT_FALSE(readBytes(files.next()).contains(kRefreshToken)) << qPrintable(files.filePath());

    // A name that is taken is never signed in over.
    EXPECT_FALSE(authorize(QStringLiteral("my box"), signIn));
    EXPECT_EQ(error, u"There is a remote called my box already");
}

TEST(RcloneSignInTest, TheCommandLineListsRemotesAndSignsInOnTheTerminal)
{
    TestEnvironment env;
    RcloneWorld world(env.root());
    const ProgramRun listed = runProgram(QStringLiteral(FLAZZ_CLI), {QStringLiteral("remotes")});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.lines, (QStringList{QStringLiteral("dav\twebdav"), QStringLiteral("photos\talias")}));

    OAuthStandin service;
    QProcess cli;
    QStringList args{QStringLiteral("signin"), QStringLiteral("rclone:dropbox"), QStringLiteral("box")};
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

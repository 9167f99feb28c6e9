#include "rclone/flows/RemoteFolderFlow.h"

#include "flows/FlowFakes.h"
#include "rclone/RcloneConnector.h"
#include "support/RcloneWorld.h"
#include "support/ScriptedSignIn.h"

#include <gtest/gtest.h>

namespace {

class RemoteFolderFlowTest : public ::testing::Test, protected FlowWorld
{
protected:
    RcloneWorld rclone{env.root()};
    ScriptedSignIn signIn;

    // A button's flow for `kind` remotes, with its chooser and site.
    RemoteFolderFlow flow(const QString &remote, const QString &kind = {})
    {
        return RemoteFolderFlow(
            {state(), window, prompt, shell, chooser, notices, uploader},
            [this, remote] {
                return std::make_unique<RcloneConnector>(rclone.setup(), remote, QString(), signIn, prompt);
            },
            kind, Service::Google, QStringLiteral("https://site.example/"));
    }
};

} // namespace

// The names are decided when the job is queued: free in the chosen folder
// as it is then, and among the job's own photos.
TEST_F(RemoteFolderFlowTest, TheChosenFolderAndTheDecidedNamesGoToTheUploader)
{
    state().UploadSize = 1024;
    const QString a = addPhoto(QStringLiteral("one/IMG.png"), 1);
    const QString b = addPhoto(QStringLiteral("two/IMG.png"), 2);
    env.writeFile(QStringLiteral("remote-photos/Trips/IMG.png"), "theirs");
    chooser.answer = QStringLiteral(" Trips/ ");

    flow(QStringLiteral("photos"), QStringLiteral("alias")).run();

    EXPECT_EQ(chooser.service, Service::Google);
    ASSERT_NE(chooser.source, nullptr);
    ASSERT_EQ(uploader.calls.size(), 1);
    EXPECT_EQ(uploader.calls.at(0), u"UploadToRemote|photos|" + a + u'\t' + b +
                                        QStringLiteral("|IMG (1).png\tIMG (2).png|1024|Trips"));
    EXPECT_EQ(window.value, 2);
    EXPECT_EQ(shell.opened, QList<QString>{QStringLiteral("https://site.example/")});
    EXPECT_TRUE(window.enabledAtEnd());

    // Another kind of remote behind the button: the chooser of remotes, and
    // no service's site.
    flow(QStringLiteral("photos"), QStringLiteral("dropbox")).run();
    EXPECT_EQ(chooser.service, ServiceId::rcloneRemote(QStringLiteral("photos")));
    EXPECT_EQ(shell.opened.size(), 1);
}

TEST_F(RemoteFolderFlowTest, ARemoteThatIsNotThereEndsWithTheSignInMessage)
{
    addPhoto(QStringLiteral("a.png"), 1);
    flow(QStringLiteral("nosuch")).run();
    EXPECT_EQ(chooser.shown, 0);
    EXPECT_TRUE(uploader.calls.isEmpty());
    const auto messages = prompt.callsOf(QStringLiteral("message"));
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages.at(0).text.contains(u"rclone config")) << qPrintable(messages.at(0).text);
    EXPECT_EQ(messages.at(1).text, u"Authorization process unsuccessful.");
    EXPECT_TRUE(window.enabledAtEnd());
}

#include "rclone/flows/RemoteFolderFlow.h"

#include "flows/FlowFakes.h"
#include "rclone/RcloneConnector.h"
#include "support/RcloneWorld.h"
#include "support/ScriptedSignIn.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

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
            kind, Service::Google, u"https://site.example/"_s);
    }
};

} // namespace

// The names are decided when the job is queued: free in the chosen folder
// as it is then, and among the job's own photos.
TEST_F(RemoteFolderFlowTest, TheChosenFolderAndTheDecidedNamesGoToTheUploader)
{
    state().UploadSize = 1024;
    const QString a = addPhoto(u"one/IMG.png"_s, 1);
    const QString b = addPhoto(u"two/IMG.png"_s, 2);
    env.writeFile(u"remote-photos/Trips/IMG.png"_s, "theirs");
    chooser.answer = u" Trips/ "_s;

    flow(u"photos"_s, u"alias"_s).run();

    EXPECT_EQ(chooser.service, Service::Google);
    ASSERT_NE(chooser.source, nullptr);
    EXPECT_EQ(uploader.calls, QStringList{u"UploadToRemote|photos|" + a + u'\t' + b +
                                          u"|IMG (1).png\tIMG (2).png|1024|Trips"_s});
    EXPECT_EQ(window.value, 2);
    EXPECT_EQ(shell.opened, QList<QString>{u"https://site.example/"_s});
    EXPECT_TRUE(window.enabledAtEnd());

    // Another kind of remote behind the button: the chooser of remotes, and
    // no service's site.
    flow(u"photos"_s, u"dropbox"_s).run();
    EXPECT_EQ(chooser.service, ServiceId::rcloneRemote(u"photos"_s));
    EXPECT_EQ(shell.opened.size(), 1);
}

TEST_F(RemoteFolderFlowTest, ARemoteThatIsNotThereEndsWithTheSignInMessage)
{
    addPhoto(u"a.png"_s, 1);
    flow(u"nosuch"_s).run();
    EXPECT_EQ(chooser.shown, 0);
    EXPECT_TRUE(uploader.calls.isEmpty());
    ASSERT_EQ(messages().size(), 2);
    EXPECT_TRUE(messages().at(0).contains(u"rclone config")) << qPrintable(messages().at(0));
    EXPECT_EQ(messages().at(1), u"Authorization process unsuccessful.");
    EXPECT_TRUE(window.enabledAtEnd());
}

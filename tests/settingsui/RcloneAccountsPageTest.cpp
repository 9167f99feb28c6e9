#include "settingsui/ui/RcloneAccountsPage.h"
#include "rclone/RcloneRoutes.h"
#include "support/RcloneWorld.h"
#include "support/ScriptedSignIn.h"
#include "support/ScriptedUserPrompt.h"
#include "support/TestEnvironment.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

TEST(RcloneAccountsPageTest, EachButtonOffersItsKindOfRemoteFirstAndKeepsTheChoice)
{
    TestEnvironment env;
    RcloneWorld world(env.root());
    world.addSection("[box]\ntype = dropbox\n\n[gd]\ntype = drive\n");
    ScriptedSignIn signIn;
    ScriptedUserPrompt prompt;
    const QString settings = env.state().SettingsFile;
    RcloneRoutes::choose(settings, Service::SkyDrive, u"gone"_s);

    RcloneAccountsPage page(world.setup(), settings, signIn, prompt);
    page.show();
    QStringList remotes;
    for (int i = 0; i < page.remoteList()->count(); ++i)
        remotes << page.remoteList()->item(i)->text();
    EXPECT_EQ(remotes,
              (QStringList{u"box  (dropbox)"_s, u"dav  (webdav)"_s, u"gd  (drive)"_s, u"photos  (alias)"_s}));
    QComboBox *dropbox = page.routeList(Service::Dropbox);
    EXPECT_EQ(itemsOf(dropbox), (QStringList{u"Dropbox itself"_s, u"rclone: box"_s, u"rclone: dav (webdav)"_s,
                                             u"rclone: gd (drive)"_s, u"rclone: photos (alias)"_s}));
    EXPECT_EQ(itemsOf(page.routeList(Service::Google)).mid(0, 3),
              (QStringList{u"Google Drive itself"_s, u"rclone: gd"_s, u"rclone: box (dropbox)"_s}));
    // A remote chosen before and no longer there is shown as chosen.
    EXPECT_EQ(page.routeList(Service::SkyDrive)->currentText(), u"rclone: gone (not found)");

    dropbox->setCurrentIndex(1);
    emit dropbox->activated(1);
    EXPECT_EQ(RcloneRoutes::chosen(settings, Service::Dropbox), u"box");
    EXPECT_EQ(RcloneRoutes::chosen(settings, Service::Google), u"");
    dropbox->setCurrentIndex(0);
    emit dropbox->activated(0);
    EXPECT_EQ(RcloneRoutes::chosen(settings, Service::Dropbox), u"");

    // A name rclone would refuse is caught before anything starts.
    page.nameBox()->setText(u"my/box"_s);
    page.connectAccount();
    EXPECT_TRUE(signIn.calls.isEmpty());
    ASSERT_EQ(prompt.callsOf(u"message"_s).size(), 1);
    EXPECT_TRUE(prompt.callsOf(u"message"_s).first().text.startsWith(u"\"my/box\" cannot name"));
}

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
    RcloneRoutes::choose(settings, Service::SkyDrive, QStringLiteral("gone"));

    RcloneAccountsPage page(world.setup(), settings, signIn, prompt);
    page.show();
    QStringList remotes;
    for (int i = 0; i < page.remoteList()->count(); ++i)
        remotes << page.remoteList()->item(i)->text();
    EXPECT_EQ(remotes, (QStringList{QStringLiteral("box  (dropbox)"), QStringLiteral("dav  (webdav)"),
                                    QStringLiteral("gd  (drive)"), QStringLiteral("photos  (alias)")}));
    QComboBox *dropbox = page.routeList(Service::Dropbox);
    EXPECT_EQ(itemsOf(dropbox),
              (QStringList{QStringLiteral("Dropbox itself"), QStringLiteral("rclone: box"),
                           QStringLiteral("rclone: dav (webdav)"), QStringLiteral("rclone: gd (drive)"),
                           QStringLiteral("rclone: photos (alias)")}));
    EXPECT_EQ(itemsOf(page.routeList(Service::Google)).mid(0, 3),
              (QStringList{QStringLiteral("Google Drive itself"), QStringLiteral("rclone: gd"),
                           QStringLiteral("rclone: box (dropbox)")}));
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
    page.nameBox()->setText(QStringLiteral("my/box"));
    page.connectAccount();
    EXPECT_TRUE(signIn.calls.isEmpty());
    ASSERT_EQ(prompt.callsOf(QStringLiteral("message")).size(), 1);
    EXPECT_TRUE(prompt.callsOf(QStringLiteral("message")).first().text.startsWith(u"\"my/box\" cannot name"));
}

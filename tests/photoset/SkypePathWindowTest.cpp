#include "photoset/SkypeSender.h"
#include "photoset/ui/frmSkypePath.h"

#include "support/ScriptedUserPrompt.h"
#include "support/TestEnvironment.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(frmSkypePath, SaysSkypeIsMissingAndOffersOneButtonToLocateIt)
{
    TestEnvironment env;
    ScriptedUserPrompt prompt(&env.state());
    frmSkypePath window(env.state(), &prompt, SkypeDialogRequest());
    EXPECT_EQ(window.titleLabel()->text(), QStringLiteral("Skype"));
    EXPECT_EQ(
        window.lblMessage()->text(),
        QStringLiteral("It seems that either Skype is not installed on your computer, or Flazz is unable to "
                       "locate Skype. Click Skype to locate it, and complete your activity."));
    int buttons = 0;
    for (const QPushButton *b : window.findChildren<QPushButton *>())
        buttons += b->text().isEmpty() ? 0 : 1;
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(window.btnSkype()->text(), QStringLiteral("Skype"));

    // Cancelling the dialog changes nothing: the window waits for another try.
    window.show();
    window.btnSkype()->click();
    ASSERT_EQ(prompt.callsOf(QStringLiteral("files")).size(), 1);
    EXPECT_EQ(prompt.calls[0].text, QStringLiteral("Locate Skype"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.chosenPath().isEmpty());

    prompt.fileAnswers.push_back({QStringLiteral("/opt/skype/skype")});
    window.btnSkype()->click();
    EXPECT_EQ(window.chosenPath(), QStringLiteral("/opt/skype/skype"));
    EXPECT_EQ(window.result(), int(QDialog::Accepted));
    EXPECT_FALSE(window.isVisible());
}

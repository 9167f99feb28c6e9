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
    int buttons = 0;
    for (const QPushButton *b : window.findChildren<QPushButton *>())
        buttons += b->text().isEmpty() ? 0 : 1;
    EXPECT_EQ(buttons, 1);
    EXPECT_TRUE(window.lblMessage()->text().contains(QStringLiteral("Click Skype to locate it")));

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

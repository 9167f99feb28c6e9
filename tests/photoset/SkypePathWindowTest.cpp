#include "photoset/SkypeSender.h"
#include "photoset/ui/frmSkypePath.h"

#include "support/ScriptedUserPrompt.h"
#include "support/TestEnvironment.h"

#include <QPushButton>

#include <gtest/gtest.h>

TEST(frmSkypePath, LocatingSkypeWaitsForAChoiceAndClosesWithIt)
{
    TestEnvironment env;
    ScriptedUserPrompt prompt(&env.state());
    frmSkypePath window(env.state(), &prompt, SkypeDialogRequest());

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

#include "core/MessageCatalog.h"
#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "support/ScriptedUserPrompt.h"

#include <gtest/gtest.h>

namespace {

// The modal flag is set only while the message shows.
TEST(MessageCatalog, EmptyTitleBecomesFlazzForTheCallerTooAndTheModalFlagHoldsWhileShown)
{
    AppState state;
    ScriptedUserPrompt ui(&state);
    QString title;
    funcMessageDisplay(state, ui, MessageNo::EmptyPhotoSet, MsgStyle::Information, title);
    EXPECT_EQ(title, QStringLiteral("Flazz"));
    ASSERT_EQ(ui.calls.size(), 1);
    EXPECT_EQ(ui.calls[0].title, QStringLiteral("Flazz"));
    EXPECT_TRUE(ui.calls[0].modalFlagWhileShown);
    EXPECT_FALSE(state.ModalFormOpen);
}

TEST(MessageCatalog, CallerTextAndOnlyTheUsedRows)
{
    AppState state;
    ScriptedUserPrompt ui(&state);
    QString title = QStringLiteral("Custom");
    funcMessageDisplay(state, ui, MessageNo::CallerText, MsgStyle::Critical, title,
                       QStringLiteral("Cannot communicate with Facebook."));
    EXPECT_EQ(ui.calls[0].text, QStringLiteral("Cannot communicate with Facebook."));
    EXPECT_EQ(ui.calls[0].title, QStringLiteral("Custom"));

    for (int n : {1, 64, 66, 572, 601, 998})
        EXPECT_TRUE(catalogText(n).isEmpty()) << n;
}

} // namespace

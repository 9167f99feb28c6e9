#include "core/MessageCatalog.h"
#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "support/ScriptedUserPrompt.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageCatalog, EmptyTitleBecomesFlazzForTheCallerToo)
{
    AppState state;
    ScriptedUserPrompt ui(&state);
    QString title;
    funcMessageDisplay(state, ui, MessageNo::EmptyPhotoSet, MsgStyle::Information, title);
    EXPECT_EQ(title, QStringLiteral("Flazz"));
    ASSERT_EQ(ui.calls.size(), 1);
    EXPECT_EQ(ui.calls[0].title, QStringLiteral("Flazz"));
    EXPECT_EQ(ui.calls[0].text,
              QStringLiteral("Add one or more Photos to the Drop Zone. Then perform your desired activity."));
    EXPECT_EQ(ui.calls[0].style, MsgStyle::Information);
}

TEST(MessageCatalog, ModalFlagIsSetOnlyWhileShown)
{
    AppState state;
    ScriptedUserPrompt ui(&state);
    funcMessageDisplay(state, ui, MessageNo::CannotReachDropbox);
    ASSERT_EQ(ui.calls.size(), 1);
    EXPECT_TRUE(ui.calls[0].modalFlagWhileShown);
    EXPECT_FALSE(state.ModalFormOpen);
    EXPECT_EQ(ui.calls[0].style, MsgStyle::Critical);
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

TEST(MessageCatalog, EveryRowShowsItsExactTextWithItsButtons)
{
    struct Row
    {
        int number;
        int buttons;
        const char16_t *text;
    };
    const Row rows[] = {
        {65, 64, u"Add one or more Photos to the Drop Zone. Then perform your desired activity."},
        {385, 64,
         u"Oops, it seems that there is a problem with a folder or file. If it's a folder you are trying to "
         u"drop "
         u"(and it won't), trying opening it and dragging the files to Flazz. You may need to skip one or "
         u"more "
         u"files that seem troublesome."},
        {478, 16, u"Cannot communicate with FlickR."},
        {570, 16, u"Flickr returned an error. Authorization failed."},
        {571, 16, u"Authorization failed."},
        {573, 64, u"Authorization process unsuccessful."},
        {602, 16, u"Cannot communicate with Dropbox."},
    };
    for (const Row &row : rows) {
        AppState state;
        ScriptedUserPrompt ui(&state);
        funcMessageDisplay(state, ui, row.number);
        ASSERT_EQ(ui.calls.size(), 1) << row.number;
        EXPECT_EQ(ui.calls[0].text, QString::fromUtf16(row.text)) << row.number;
        EXPECT_EQ(ui.calls[0].style, row.buttons) << row.number;
        EXPECT_EQ(ui.calls[0].title, QStringLiteral("Flazz")) << row.number;
    }
}

} // namespace

#include "core/AppState.h"
#include "core/ui/ShowFormModal.h"
#include "webkit/ui/frmAuthorize.h"
#include "webkit/ui/frmCompleteAuthorization.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

using Gesture = std::function<void(AuthorizePrompt &)>;

// Shows `prompt` the way the program does and answers it with `gesture`.
bool answer(AppState &state, AuthorizePrompt &prompt, const Gesture &gesture)
{
    bool flagWhileOpen = false;
    QTimer::singleShot(0, qApp, [&] {
        EXPECT_EQ(QApplication::activeModalWidget(), &prompt);
        flagWhileOpen = state.ModalFormOpen;
        gesture(prompt);
        if (prompt.isVisible()) {
            ADD_FAILURE() << "the prompt is still open";
            prompt.reject();
        }
    });
    ShowFormModal(state, prompt);
    EXPECT_TRUE(flagWhileOpen);
    EXPECT_FALSE(state.ModalFormOpen);
    EXPECT_FALSE(prompt.isVisible());
    return prompt.OK();
}

const Gesture pressMain = [](AuthorizePrompt &p) { p.mainButton()->click(); };
const Gesture pressCancel = [](AuthorizePrompt &p) { p.cmdCancel()->click(); };
const Gesture altF4 = [](AuthorizePrompt &p) { QTest::keyClick(&p, Qt::Key_F4, Qt::AltModifier); };
const Gesture closeCommand = [](AuthorizePrompt &p) { p.close(); };
const Gesture escape = [](AuthorizePrompt &p) { QTest::keyClick(&p, Qt::Key_Escape); };

void expectAnswers(AppState &state, AuthorizePrompt &prompt)
{
    // The same window answers again each time it is shown: an earlier
    // "yes" does not linger into a later close.
    EXPECT_TRUE(answer(state, prompt, pressMain));
    EXPECT_FALSE(answer(state, prompt, closeCommand));
    EXPECT_TRUE(answer(state, prompt, pressMain));
    EXPECT_FALSE(answer(state, prompt, altF4));
    EXPECT_FALSE(answer(state, prompt, pressCancel));
    EXPECT_FALSE(answer(state, prompt, escape));
}

TEST(AuthorizePrompts, OnlyTheMainButtonAnswersYes)
{
    AppState state;
    frmAuthorize authorize(state);
    expectAnswers(state, authorize);
    frmCompleteAuthorization complete(state);
    expectAnswers(state, complete);
}

TEST(AuthorizePrompts, TextsAndButtonsFitInTheWindow)
{
    AppState state;
    frmAuthorize authorize(state);
    frmCompleteAuthorization complete(state);
    for (AuthorizePrompt *prompt :
         {static_cast<AuthorizePrompt *>(&authorize), static_cast<AuthorizePrompt *>(&complete)}) {
        prompt->show();
        const QRect inside = prompt->rect();
        for (QLabel *label : prompt->textLabels()) {
            EXPECT_TRUE(inside.contains(label->geometry())) << qPrintable(label->text());
            EXPECT_GE(label->height(), label->heightForWidth(label->width()));
        }
        EXPECT_TRUE(inside.contains(prompt->mainButton()->geometry()));
        EXPECT_GE(prompt->mainButton()->width(), prompt->mainButton()->sizeHint().width());
        EXPECT_LT(prompt->mainButton()->geometry().right(), prompt->cmdCancel()->x());
        prompt->hide();
    }
}

} // namespace

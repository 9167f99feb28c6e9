#include "unicodeinput/ui/ctlUMultilineTxtBox.h"
#include "unicodeinput/ui/ctlUnicodeCombo.h"
#include "unicodeinput/ui/ctlUnicodeTextBox.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTextCursor>

#include <gtest/gtest.h>

namespace {

const QString kPrompt = QStringLiteral("Enter Album Name");

void focusIn(QWidget *editor)
{
    QFocusEvent event(QEvent::FocusIn, Qt::OtherFocusReason);
    QApplication::sendEvent(editor, &event);
}

void focusOut(QWidget *editor)
{
    QFocusEvent event(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(editor, &event);
}

// Sends a key as a keyboard would: press, then release.
void pressKey(QWidget *editor, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(editor, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(editor, &release);
}

// The same prompt rules hold for both text boxes; the fixture runs them on each.
template<class Box> struct BoxAccess;

template<> struct BoxAccess<ctlUnicodeTextBox>
{
    static QString value(const ctlUnicodeTextBox &b) { return b.editor()->text(); }
    static void type(ctlUnicodeTextBox &b, const QString &v) { b.editor()->setText(v); }
    static bool allSelected(const ctlUnicodeTextBox &b)
    {
        return b.editor()->selectedText() == b.editor()->text() && !b.editor()->text().isEmpty();
    }
};

template<> struct BoxAccess<ctlUMultilineTxtBox>
{
    static QString value(const ctlUMultilineTxtBox &b) { return b.editor()->toPlainText(); }
    static void type(ctlUMultilineTxtBox &b, const QString &v) { b.editor()->setPlainText(v); }
    static bool allSelected(const ctlUMultilineTxtBox &b)
    {
        const QTextCursor c = b.editor()->textCursor();
        return c.selectedText() == b.editor()->toPlainText() && c.hasSelection();
    }
};

template<class Box> class PromptTest : public ::testing::Test
{
protected:
    using Access = BoxAccess<Box>;
    Box box;
    void SetUp() override { box.setAutoDisplayText(kPrompt); }
    QWidget *editor() { return box.editor(); }
};

using BoxTypes = ::testing::Types<ctlUnicodeTextBox, ctlUMultilineTxtBox>;
TYPED_TEST_SUITE(PromptTest, BoxTypes);

// The prompt shows while the box is empty and never reads as text, whatever
// blanks surround it; focus takes it away and leaving empty brings it back.
TYPED_TEST(PromptTest, ThePromptComesAndGoesAndNeverReadsAsText)
{
    using Box = typename TestFixture::Access;
    EXPECT_EQ(Box::value(this->box), kPrompt);
    EXPECT_EQ(this->box.Text(), QString());

    focusIn(this->editor());
    EXPECT_EQ(Box::value(this->box), QString());
    Box::type(this->box, QStringLiteral("   "));
    focusOut(this->editor());
    EXPECT_EQ(Box::value(this->box), kPrompt);
    EXPECT_EQ(this->box.Text(), QString());

    Box::type(this->box, QStringLiteral("  ") + kPrompt + QStringLiteral(" "));
    focusIn(this->editor());
    EXPECT_EQ(Box::value(this->box), QString());

    Box::type(this->box, kPrompt);
    EXPECT_EQ(this->box.Text(), QString());
    // Anything else is real text, even text that merely contains the prompt.
    Box::type(this->box, kPrompt + QStringLiteral("!"));
    EXPECT_EQ(this->box.Text(), kPrompt + QStringLiteral("!"));

    const QString unicode = QStringLiteral(u"Ünïcødé 写真 Ελλάδα");
    this->box.setText(unicode);
    focusOut(this->editor());
    EXPECT_EQ(this->box.Text(), unicode);
    this->box.setText(QString());
    EXPECT_EQ(Box::value(this->box), kPrompt);
}

TYPED_TEST(PromptTest, FocusSelectsRealTextOnlyWithSelectOnFocus)
{
    this->box.setText(QStringLiteral("Holiday"));
    focusIn(this->editor());
    EXPECT_FALSE(TestFixture::Access::allSelected(this->box));
    focusOut(this->editor());

    this->box.setSelectOnFocus(true);
    focusIn(this->editor());
    EXPECT_TRUE(TestFixture::Access::allSelected(this->box));
    EXPECT_EQ(this->box.Text(), QStringLiteral("Holiday"));
}

// Browser shortcuts never reach the page behind; other keys are reported,
// and only the user's edits raise Change, never a prompt swap.
TEST(UnicodeTextBox, BrowserShortcutsAreSwallowedOtherKeysReportedAndOnlyEditsRaiseChange)
{
    ctlUnicodeTextBox box;
    box.setAutoDisplayText(kPrompt);
    QSignalSpy down(&box, &ctlUnicodeTextBox::KeyDown);
    QSignalSpy up(&box, &ctlUnicodeTextBox::KeyUp);
    QSignalSpy change(&box, &ctlUnicodeTextBox::Change);
    focusIn(box.editor());
    focusOut(box.editor());
    box.setText(QStringLiteral("abc"));

    pressKey(box.editor(), Qt::Key_F5);
    pressKey(box.editor(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(down.count() + up.count() + change.count(), 0);

    pressKey(box.editor(), Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    ASSERT_EQ(down.count(), 1);
    EXPECT_EQ(down.at(0).at(0).toBool(), false);
    EXPECT_EQ(down.at(0).at(1).toInt(), int(Qt::Key_X));
    EXPECT_EQ(up.count(), 1);
    EXPECT_EQ(change.count(), 1);

    // A length limit never cuts the prompt.
    ctlUnicodeTextBox limited;
    limited.setMaxLength(5);
    limited.setAutoDisplayText(kPrompt);
    EXPECT_EQ(limited.editor()->text(), kPrompt);
}

TEST(UMultilineTxtBox, CtrlKDoesNotDeleteTheLine)
{
    ctlUMultilineTxtBox box;
    box.setText(QStringLiteral("keep me"));
    box.editor()->moveCursor(QTextCursor::Start);
    pressKey(box.editor(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(box.Text(), QStringLiteral("keep me"));
}

// Only the user's choices raise Change; Backspace is swallowed.
TEST(UnicodeCombo, ProgramSelectionsFollowTheListAndRaiseNoChange)
{
    ctlUnicodeCombo combo;
    QSignalSpy change(&combo, &ctlUnicodeCombo::Change);
    QSignalSpy down(&combo, &ctlUnicodeCombo::KeyDown);
    EXPECT_EQ(combo.AddItem(QStringLiteral("Trip")), 0);
    EXPECT_EQ(combo.AddItem(QStringLiteral("trip")), 1);
    EXPECT_EQ(combo.ListIndex(), 1); // the new item is selected
    EXPECT_EQ(combo.Text(), QStringLiteral("trip"));
    combo.AddItem(QStringLiteral("Trip"));
    combo.setText(QStringLiteral("Trip")); // the first exact match, case and all
    EXPECT_EQ(combo.ListIndex(), 0);
    combo.setText(QStringLiteral("Tri"));
    EXPECT_EQ(combo.ListIndex(), 0);
    EXPECT_EQ(change.count(), 0);
    pressKey(combo.list(), Qt::Key_Backspace);
    EXPECT_EQ(down.count(), 0);

    // Sorting orders by text and keeps each item's cargo and the selection.
    combo.ClearList();
    EXPECT_EQ(combo.ListIndex(), -1);
    for (const QString &name : {QStringLiteral("Pears"), QStringLiteral("apples"), QStringLiteral("Melons")})
        combo.setListCargo(combo.AddItem(name), QStringLiteral("id-") + name);
    combo.setText(QStringLiteral("Pears"));
    combo.RemoveItem(5); // out of range: ignored
    combo.Sort();
    ASSERT_EQ(combo.ListCount(), 3);
    EXPECT_EQ(combo.ListText(0), QStringLiteral("apples"));
    EXPECT_EQ(combo.ListText(2), QStringLiteral("Pears"));
    EXPECT_EQ(combo.ListCargo(2), QStringLiteral("id-Pears"));
    EXPECT_EQ(combo.Text(), QStringLiteral("Pears"));
}

} // namespace

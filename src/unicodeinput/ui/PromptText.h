#pragma once

#include <QColor>
#include <QKeyCombination>
#include <QString>

#include <initializer_list>

class QKeyEvent;

// The prompt of a text box lives in the box's value itself: a box whose value
// equals its prompt counts as empty.
class PromptText
{
public:
    // The colour the boxes write in, prompt and text alike.
    static QColor textColor() { return QColor(91, 91, 91); }

    const QString &prompt() const { return m_prompt; }
    void setPrompt(const QString &prompt) { m_prompt = prompt; }

    // What the box reads as Text for this value.
    QString textOf(const QString &value) const { return value == m_prompt ? QString() : value; }
    // The value that shows `text` (the prompt for an empty text).
    QString valueFor(const QString &text) const { return text.isEmpty() ? m_prompt : text; }

    // On gaining the focus: the prompt gives way to an empty value.
    bool clearsOnFocusIn(const QString &value) const { return value.trimmed() == m_prompt; }
    // On losing the focus: nothing typed brings the prompt back.
    bool restoresOnFocusOut(const QString &value) const { return value.trimmed().isEmpty(); }

private:
    QString m_prompt;
};

// True when `event` is one of `keys` (modifiers compared exactly, keypad
// ignored). The controls once hosted a browser page whose shortcuts could
// reload the page or open windows; they still refuse those keys so that they
// behave the same everywhere.
bool isKeyAmong(const QKeyEvent &event, std::initializer_list<QKeyCombination> keys);

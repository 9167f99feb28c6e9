#include "unicodeinput/ui/PromptTextBox.h"

#include <QFocusEvent>
#include <QTimer>

PromptTextBox::PromptTextBox(const QString &padding, QWidget *parent)
    : UnicodeInputControl(parent), m_padding(padding)
{
}

void PromptTextBox::hostEditor(QWidget *editor)
{
    m_editor = editor;
    host(editor);
    applyStyle();
}

void PromptTextBox::setAutoDisplayText(const QString &text)
{
    const QString typed = Text();
    m_prompt.setPrompt(text);
    promptChanged();
    if (typed.isEmpty() && !m_editor->hasFocus())
        setValue(m_prompt.valueFor(QString()));
}

QString PromptTextBox::Text() const
{
    return m_prompt.textOf(value());
}

void PromptTextBox::setText(const QString &text)
{
    setValue(m_prompt.valueFor(text));
}

void PromptTextBox::setHideBorder(bool hide)
{
    m_hideBorder = hide;
    applyStyle();
}

void PromptTextBox::setBackColor(const QColor &color)
{
    m_backColor = color;
    applyStyle();
}

void PromptTextBox::applyStyle()
{
    // Selecting by the editor's class keeps its scroll bars in the plain look.
    const QString editorClass = QString::fromLatin1(m_editor->metaObject()->className());
    m_editor->setStyleSheet(QStringLiteral("%1 { color: %2; background: %3; border: %4px solid #a0a0a0;"
                                           " border-radius: 3px; padding: %5;"
                                           " selection-background-color: #3d7fd1; selection-color: white; }"
                                           "%1:focus { border-color: %6; }"
                                           "%1:disabled { color: #a0a0a0; background: #f0f0f0; }")
                                .arg(editorClass, PromptText::textColor().name(), m_backColor.name(),
                                     m_hideBorder ? QStringLiteral("0") : QStringLiteral("1"), m_padding,
                                     m_hideBorder ? m_backColor.name() : QStringLiteral("#5b8fd1")));
}

void PromptTextBox::editorEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        if (m_prompt.clearsOnFocusIn(value())) {
            clearValue();
        } else if (m_selectOnFocus) {
            selectAll();
            // A mouse press right after the focus would drop the selection again.
            if (static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason)
                QTimer::singleShot(0, m_editor, [this] { selectAll(); });
        }
        break;
    case QEvent::FocusOut:
        if (m_prompt.restoresOnFocusOut(value()))
            setValue(m_prompt.prompt());
        break;
    default:
        break;
    }
}

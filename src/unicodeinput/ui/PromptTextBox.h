#pragma once

#include "unicodeinput/ui/PromptText.h"
#include "unicodeinput/ui/UnicodeInputControl.h"

#include <QColor>

// A text box showing its prompt (AutoDisplayText) in the value while it is
// empty and unfocused. The single-line and the multi-line box differ only in
// the editor they host, which they reach through the value hooks below.
class PromptTextBox : public UnicodeInputControl
{
    Q_OBJECT
public:
    QString AutoDisplayText() const { return m_prompt.prompt(); }
    // Shows the new prompt at once when the box holds no text.
    void setAutoDisplayText(const QString &text);

    // The typed text; "" while the prompt shows (or when the value is the prompt).
    QString Text() const;
    // An empty text shows the prompt again.
    void setText(const QString &text);

    bool SelectOnFocus() const { return m_selectOnFocus; }
    void setSelectOnFocus(bool on) { m_selectOnFocus = on; }

    bool HideBorder() const { return m_hideBorder; }
    void setHideBorder(bool hide);

    QColor BackColor() const { return m_backColor; }
    void setBackColor(const QColor &color);

protected:
    // `padding` is the editor's inner padding in style-sheet terms.
    PromptTextBox(const QString &padding, QWidget *parent);

    // Hosts `editor` and gives it the boxes' look.
    void hostEditor(QWidget *editor);

    virtual QString value() const = 0;
    virtual void setValue(const QString &value) = 0;
    // Empties the value when the prompt gives way to typing.
    virtual void clearValue() { setValue(QString()); }
    virtual void selectAll() = 0;
    // Called once a new prompt is known, before it is shown.
    virtual void promptChanged() {}

    void editorEvent(QEvent *event) override;

private:
    void applyStyle();

    QWidget *m_editor = nullptr;
    PromptText m_prompt;
    QString m_padding;
    bool m_selectOnFocus = false;
    bool m_hideBorder = false;
    QColor m_backColor = Qt::white;
};

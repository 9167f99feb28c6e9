#pragma once

#include "unicodeinput/ui/PromptText.h"

#include <QColor>
#include <QWidget>

class QPlainTextEdit;
class QTimer;

// A multi-line box for text in any script, showing its prompt
// (AutoDisplayText) in the value while it is empty and unfocused.
class ctlUMultilineTxtBox : public QWidget
{
    Q_OBJECT
public:
    explicit ctlUMultilineTxtBox(QWidget *parent = nullptr);

    QString AutoDisplayText() const { return m_prompt.prompt(); }
    // Shows the new prompt at once when the box holds no text.
    void setAutoDisplayText(const QString &text);

    // The typed text; "" while the prompt shows (or when the value is the prompt).
    QString Text() const;
    // An empty text shows the prompt again.
    void setText(const QString &text);

    bool Enabled() const { return isEnabled(); }
    void setEnabledState(bool enabled) { setEnabled(enabled); }

    bool ReadOnly() const;
    void setReadOnly(bool readOnly);

    // Kept for the window's sake; a description has no natural limit.
    int MaxLength() const { return m_maxLength; }
    void setMaxLength(int maxLength) { m_maxLength = maxLength; }

    bool SelectOnFocus() const { return m_selectOnFocus; }
    void setSelectOnFocus(bool on) { m_selectOnFocus = on; }

    bool HideBorder() const { return m_hideBorder; }
    void setHideBorder(bool hide);

    QColor BackColor() const { return m_backColor; }
    void setBackColor(const QColor &color);

    // Moves the input focus into the box once the event loop runs again.
    void SetSuperfocus();

    QPlainTextEdit *editor() const { return m_edit; }

signals:
    void Change();
    void KeyDown(bool ctrl, int keyCode);
    void KeyUp(bool ctrl, int keyCode);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString value() const;
    void setValue(const QString &value);
    void applyStyle();

    QPlainTextEdit *m_edit;
    QTimer *m_focusTimer;
    PromptText m_prompt;
    int m_maxLength = 0;
    bool m_selectOnFocus = false;
    bool m_hideBorder = false;
    bool m_settingValue = false;
    QColor m_backColor = Qt::white;
};

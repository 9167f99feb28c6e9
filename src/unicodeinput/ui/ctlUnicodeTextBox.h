#pragma once

#include "unicodeinput/ui/PromptText.h"

#include <QColor>
#include <QStringList>
#include <QWidget>

class QCompleter;
class QLineEdit;
class QTimer;

// A single-line box for text in any script, showing its prompt
// (AutoDisplayText) in the value while it is empty and unfocused.
class ctlUnicodeTextBox : public QWidget
{
    Q_OBJECT
public:
    explicit ctlUnicodeTextBox(QWidget *parent = nullptr);

    QString AutoDisplayText() const { return m_prompt.prompt(); }
    // Shows the new prompt at once when the box holds no text.
    void setAutoDisplayText(const QString &text);

    // The typed text; "" while the prompt shows (or when the value is the prompt).
    QString Text() const;
    // An empty text shows the prompt again.
    void setText(const QString &text);

    bool Enabled() const { return isEnabled(); }
    void setEnabledState(bool enabled) { setEnabled(enabled); }

    int MaxLength() const { return m_maxLength; }
    void setMaxLength(int maxLength);

    bool SelectOnFocus() const { return m_selectOnFocus; }
    void setSelectOnFocus(bool on) { m_selectOnFocus = on; }

    bool HideBorder() const { return m_hideBorder; }
    void setHideBorder(bool hide);

    QColor BackColor() const { return m_backColor; }
    void setBackColor(const QColor &color);

    bool AutoComplete() const { return m_autoComplete; }
    void setAutoComplete(bool on);
    QStringList AutoCompleteList() const { return m_autoCompleteList; }
    void setAutoCompleteList(const QStringList &list);
    bool ShareText() const { return m_shareText; }
    void setShareText(bool on) { m_shareText = on; }

    // Moves the input focus into the box once the event loop runs again, so
    // that it also works while the window is still being shown.
    void SetSuperfocus();

    QLineEdit *editor() const { return m_edit; }

signals:
    void Change();
    void KeyDown(bool ctrl, int keyCode);
    void KeyUp(bool ctrl, int keyCode);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyStyle();
    void applyMaxLength();
    void updateCompleter();

    QLineEdit *m_edit;
    QTimer *m_focusTimer;
    QCompleter *m_completer = nullptr;
    PromptText m_prompt;
    int m_maxLength = 0;
    bool m_selectOnFocus = false;
    bool m_hideBorder = false;
    bool m_autoComplete = false;
    bool m_shareText = false;
    QStringList m_autoCompleteList;
    QColor m_backColor = Qt::white;
};

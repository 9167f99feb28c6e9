#pragma once

#include "unicodeinput/ui/PromptTextBox.h"

#include <QStringList>

class QCompleter;
class QLineEdit;

// A single-line box for text in any script, showing its prompt
// (AutoDisplayText) in the value while it is empty and unfocused.
class ctlUnicodeTextBox : public PromptTextBox
{
    Q_OBJECT
public:
    explicit ctlUnicodeTextBox(QWidget *parent = nullptr);

    int MaxLength() const { return m_maxLength; }
    void setMaxLength(int maxLength);

    bool AutoComplete() const { return m_autoComplete; }
    void setAutoComplete(bool on);
    QStringList AutoCompleteList() const { return m_autoCompleteList; }
    void setAutoCompleteList(const QStringList &list);
    bool ShareText() const { return m_shareText; }
    void setShareText(bool on) { m_shareText = on; }

    QLineEdit *editor() const { return m_edit; }

protected:
    bool refusesKey(const QKeyEvent &event) const override;
    QString value() const override;
    void setValue(const QString &value) override;
    void clearValue() override;
    void selectAll() override;
    void promptChanged() override { applyMaxLength(); }

private:
    void applyMaxLength();
    void updateCompleter();

    QLineEdit *m_edit;
    QCompleter *m_completer = nullptr;
    int m_maxLength = 0;
    bool m_autoComplete = false;
    bool m_shareText = false;
    QStringList m_autoCompleteList;
};

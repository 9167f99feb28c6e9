#pragma once

#include "unicodeinput/ui/PromptTextBox.h"

class QPlainTextEdit;

// A multi-line box for text in any script, showing its prompt
// (AutoDisplayText) in the value while it is empty and unfocused.
class ctlUMultilineTxtBox : public PromptTextBox
{
    Q_OBJECT
public:
    explicit ctlUMultilineTxtBox(QWidget *parent = nullptr);

    bool ReadOnly() const;
    void setReadOnly(bool readOnly);

    // Kept for the window's sake; a description has no natural limit.
    int MaxLength() const { return m_maxLength; }
    void setMaxLength(int maxLength) { m_maxLength = maxLength; }

    QPlainTextEdit *editor() const { return m_edit; }

protected:
    bool refusesKey(const QKeyEvent &event) const override;
    QString value() const override;
    void setValue(const QString &value) override;
    void selectAll() override;

private:
    QPlainTextEdit *m_edit;
    int m_maxLength = 0;
    bool m_settingValue = false;
};

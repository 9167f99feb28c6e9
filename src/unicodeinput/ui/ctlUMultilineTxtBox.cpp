#include "unicodeinput/ui/ctlUMultilineTxtBox.h"

#include <QKeyEvent>
#include <QPlainTextEdit>

ctlUMultilineTxtBox::ctlUMultilineTxtBox(QWidget *parent)
    : PromptTextBox(QStringLiteral("2px"), parent), m_edit(new QPlainTextEdit(this))
{
    m_edit->setTabChangesFocus(true);
    connect(m_edit, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_settingValue)
            emit Change();
    });
    hostEditor(m_edit);
}

bool ctlUMultilineTxtBox::refusesKey(const QKeyEvent &event) const
{
    return isKeyAmong(
        event, {Qt::CTRL | Qt::Key_K, Qt::CTRL | Qt::Key_L, Qt::CTRL | Qt::Key_N, Qt::CTRL | Qt::Key_O});
}

QString ctlUMultilineTxtBox::value() const
{
    return m_edit->toPlainText();
}

void ctlUMultilineTxtBox::setValue(const QString &value)
{
    // Swapping the prompt in and out is not a change the window cares about.
    m_settingValue = true;
    m_edit->setPlainText(value);
    m_settingValue = false;
}

void ctlUMultilineTxtBox::selectAll()
{
    m_edit->selectAll();
}

bool ctlUMultilineTxtBox::ReadOnly() const
{
    return m_edit->isReadOnly();
}

void ctlUMultilineTxtBox::setReadOnly(bool readOnly)
{
    m_edit->setReadOnly(readOnly);
}

#include "unicodeinput/ui/ctlUnicodeTextBox.h"

#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStringListModel>

ctlUnicodeTextBox::ctlUnicodeTextBox(QWidget *parent)
    : PromptTextBox(QStringLiteral("2px 4px"), parent), m_edit(new QLineEdit(this))
{
    connect(m_edit, &QLineEdit::textEdited, this, &ctlUnicodeTextBox::Change);
    hostEditor(m_edit);
}

bool ctlUnicodeTextBox::refusesKey(const QKeyEvent &event) const
{
    return isKeyAmong(event, {Qt::CTRL | Qt::Key_L, Qt::CTRL | Qt::Key_M, Qt::CTRL | Qt::Key_N,
                              Qt::CTRL | Qt::Key_O, QKeyCombination(Qt::Key_F5)});
}

QString ctlUnicodeTextBox::value() const
{
    return m_edit->text();
}

void ctlUnicodeTextBox::setValue(const QString &value)
{
    m_edit->setText(value);
}

void ctlUnicodeTextBox::clearValue()
{
    // Unlike setText, clear() keeps the undo history the box has always kept.
    m_edit->clear();
}

void ctlUnicodeTextBox::selectAll()
{
    m_edit->selectAll();
}

void ctlUnicodeTextBox::setMaxLength(int maxLength)
{
    m_maxLength = maxLength;
    applyMaxLength();
}

void ctlUnicodeTextBox::applyMaxLength()
{
    // The prompt sits in the value, so the limit must never cut it short.
    const int limit = m_maxLength > 0 ? qMax(m_maxLength, int(AutoDisplayText().size())) : 32767;
    m_edit->setMaxLength(limit);
}

void ctlUnicodeTextBox::setAutoComplete(bool on)
{
    m_autoComplete = on;
    updateCompleter();
}

void ctlUnicodeTextBox::setAutoCompleteList(const QStringList &list)
{
    m_autoCompleteList = list;
    updateCompleter();
}

void ctlUnicodeTextBox::updateCompleter()
{
    if (!m_autoComplete) {
        m_edit->setCompleter(nullptr);
        delete m_completer;
        m_completer = nullptr;
        return;
    }
    if (!m_completer) {
        m_completer = new QCompleter(this);
        m_completer->setCaseSensitivity(Qt::CaseInsensitive);
        m_completer->setFilterMode(Qt::MatchContains);
        m_completer->setModel(new QStringListModel(m_completer));
        m_edit->setCompleter(m_completer);
    }
    static_cast<QStringListModel *>(m_completer->model())->setStringList(m_autoCompleteList);
}

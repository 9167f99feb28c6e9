#include "unicodeinput/ui/ctlUnicodeCombo.h"

#include <QCollator>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <vector>

ctlUnicodeCombo::ctlUnicodeCombo(QWidget *parent) : UnicodeInputControl(parent), m_combo(new QComboBox(this))
{
    m_combo->setMouseTracking(true);
    connect(m_combo, &QComboBox::activated, this, [this] { emit Change(); });
    host(m_combo);
    applyStyle();
}

bool ctlUnicodeCombo::refusesKey(const QKeyEvent &event) const
{
    if (isKeyAmong(event,
                   {Qt::CTRL | Qt::Key_F, Qt::CTRL | Qt::Key_L, Qt::CTRL | Qt::Key_N, Qt::CTRL | Qt::Key_O,
                    QKeyCombination(Qt::Key_F5), QKeyCombination(Qt::Key_Backspace)}))
        return true;
    return event.type() == QEvent::KeyRelease && isKeyAmong(event, {Qt::CTRL | Qt::Key_P});
}

int ctlUnicodeCombo::ListIndex() const
{
    return m_combo->currentIndex();
}

void ctlUnicodeCombo::setListIndex(int index)
{
    m_combo->setCurrentIndex(index >= 0 && index < m_combo->count() ? index : -1);
}

QString ctlUnicodeCombo::ListCargo(int index) const
{
    return m_combo->itemData(index).toString();
}

void ctlUnicodeCombo::setListCargo(int index, const QString &value)
{
    if (index >= 0 && index < m_combo->count())
        m_combo->setItemData(index, value);
}

QString ctlUnicodeCombo::ListText(int index) const
{
    return m_combo->itemText(index);
}

void ctlUnicodeCombo::setListText(int index, const QString &text)
{
    if (index >= 0 && index < m_combo->count())
        m_combo->setItemText(index, text);
}

QString ctlUnicodeCombo::Text() const
{
    return m_combo->currentIndex() >= 0 ? m_combo->currentText() : QString();
}

void ctlUnicodeCombo::setText(const QString &text)
{
    for (int i = 0; i < m_combo->count(); ++i) {
        if (m_combo->itemText(i) == text) {
            m_combo->setCurrentIndex(i);
            return;
        }
    }
}

int ctlUnicodeCombo::ListCount() const
{
    return m_combo->count();
}

bool ctlUnicodeCombo::IsSelected(int index) const
{
    return index >= 0 && index == m_combo->currentIndex();
}

int ctlUnicodeCombo::AddItem(const QString &text)
{
    // The value starts empty, as a new list entry's does.
    m_combo->addItem(text, QString());
    const int index = m_combo->count() - 1;
    m_combo->setCurrentIndex(index);
    return index;
}

void ctlUnicodeCombo::RemoveItem(int index)
{
    if (index >= 0 && index < m_combo->count())
        m_combo->removeItem(index);
}

void ctlUnicodeCombo::ClearList()
{
    m_combo->clear();
}

void ctlUnicodeCombo::Sort()
{
    struct Item
    {
        QString text;
        QString cargo;
        bool selected;
    };
    std::vector<Item> items;
    items.reserve(m_combo->count());
    for (int i = 0; i < m_combo->count(); ++i)
        items.push_back({m_combo->itemText(i), ListCargo(i), i == m_combo->currentIndex()});
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::stable_sort(items.begin(), items.end(), [&collator](const Item &a, const Item &b) {
        return collator.compare(a.text, b.text) < 0;
    });
    const QSignalBlocker quiet(m_combo);
    m_combo->clear();
    int selected = -1;
    for (const Item &item : items) {
        m_combo->addItem(item.text, item.cargo);
        if (item.selected)
            selected = m_combo->count() - 1;
    }
    m_combo->setCurrentIndex(selected);
}

void ctlUnicodeCombo::setForeColor(const QColor &color)
{
    m_foreColor = color;
    applyStyle();
}

int ctlUnicodeCombo::NoOfRows() const
{
    return m_combo->maxVisibleItems();
}

void ctlUnicodeCombo::setNoOfRows(int rows)
{
    if (rows > 0)
        m_combo->setMaxVisibleItems(rows);
}

void ctlUnicodeCombo::applyStyle()
{
    QPalette palette = m_combo->palette();
    palette.setColor(QPalette::ButtonText, m_foreColor);
    palette.setColor(QPalette::Text, m_foreColor);
    m_combo->setPalette(palette);
}

void ctlUnicodeCombo::editorEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        emit DblClick();
        break;
    case QEvent::MouseMove: {
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        emit MouseMove(at.x(), at.y());
        break;
    }
    default:
        break;
    }
}

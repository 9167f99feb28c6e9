#include "unicodeinput/ui/ctlUnicodeCombo.h"

#include "unicodeinput/ui/PromptText.h"

#include <QCollator>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

bool swallowed(const QKeyEvent &event)
{
    if (isKeyAmong(event,
                   {Qt::CTRL | Qt::Key_F, Qt::CTRL | Qt::Key_L, Qt::CTRL | Qt::Key_N, Qt::CTRL | Qt::Key_O,
                    QKeyCombination(Qt::Key_F5), QKeyCombination(Qt::Key_Backspace)}))
        return true;
    return event.type() == QEvent::KeyRelease && isKeyAmong(event, {Qt::CTRL | Qt::Key_P});
}

} // namespace

ctlUnicodeCombo::ctlUnicodeCombo(QWidget *parent)
    : QWidget(parent), m_combo(new QComboBox(this)), m_focusTimer(new QTimer(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_combo);
    setFocusProxy(m_combo);
    m_combo->setContextMenuPolicy(Qt::NoContextMenu);
    m_combo->setMouseTracking(true);
    m_combo->installEventFilter(this);
    connect(m_combo, &QComboBox::activated, this, [this] { emit Change(); });

    m_focusTimer->setSingleShot(true);
    m_focusTimer->setInterval(0);
    connect(m_focusTimer, &QTimer::timeout, this, [this] { m_combo->setFocus(Qt::OtherFocusReason); });
    applyStyle();
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

void ctlUnicodeCombo::SetSuperfocus()
{
    m_focusTimer->start();
}

bool ctlUnicodeCombo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_combo)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (swallowed(*key)) {
            key->accept();
            return true;
        }
        const bool ctrl = key->modifiers().testFlag(Qt::ControlModifier);
        if (event->type() == QEvent::KeyPress)
            emit KeyDown(ctrl, key->key());
        else if (event->type() == QEvent::KeyRelease)
            emit KeyUp(ctrl, key->key());
        break;
    }
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
    return QWidget::eventFilter(watched, event);
}

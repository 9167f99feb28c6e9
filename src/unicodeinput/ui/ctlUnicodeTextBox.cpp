#include "unicodeinput/ui/ctlUnicodeTextBox.h"

#include <QCompleter>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStringListModel>
#include <QTimer>

namespace {

bool swallowed(const QKeyEvent &event)
{
    return isKeyAmong(event, {Qt::CTRL | Qt::Key_L, Qt::CTRL | Qt::Key_M, Qt::CTRL | Qt::Key_N,
                              Qt::CTRL | Qt::Key_O, QKeyCombination(Qt::Key_F5)});
}

} // namespace

ctlUnicodeTextBox::ctlUnicodeTextBox(QWidget *parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_focusTimer(new QTimer(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_edit);
    setFocusProxy(m_edit);
    m_edit->setContextMenuPolicy(Qt::NoContextMenu);
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textEdited, this, &ctlUnicodeTextBox::Change);

    m_focusTimer->setSingleShot(true);
    m_focusTimer->setInterval(0);
    connect(m_focusTimer, &QTimer::timeout, this, [this] { m_edit->setFocus(Qt::OtherFocusReason); });
    applyStyle();
}

void ctlUnicodeTextBox::setAutoDisplayText(const QString &text)
{
    const QString typed = Text();
    m_prompt.setPrompt(text);
    applyMaxLength();
    if (typed.isEmpty() && !m_edit->hasFocus())
        m_edit->setText(m_prompt.valueFor(QString()));
}

QString ctlUnicodeTextBox::Text() const
{
    return m_prompt.textOf(m_edit->text());
}

void ctlUnicodeTextBox::setText(const QString &text)
{
    m_edit->setText(m_prompt.valueFor(text));
}

void ctlUnicodeTextBox::setMaxLength(int maxLength)
{
    m_maxLength = maxLength;
    applyMaxLength();
}

void ctlUnicodeTextBox::applyMaxLength()
{
    // The prompt sits in the value, so the limit must never cut it short.
    const int limit = m_maxLength > 0 ? qMax(m_maxLength, int(m_prompt.prompt().size())) : 32767;
    m_edit->setMaxLength(limit);
}

void ctlUnicodeTextBox::setHideBorder(bool hide)
{
    m_hideBorder = hide;
    applyStyle();
}

void ctlUnicodeTextBox::setBackColor(const QColor &color)
{
    m_backColor = color;
    applyStyle();
}

void ctlUnicodeTextBox::applyStyle()
{
    const QColor text = PromptText::textColor();
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { color: %1; background: %2; border: %3px solid #a0a0a0;"
                                         " border-radius: 3px; padding: 2px 4px;"
                                         " selection-background-color: #3d7fd1; selection-color: white; }"
                                         "QLineEdit:focus { border-color: %4; }"
                                         "QLineEdit:disabled { color: #a0a0a0; background: #f0f0f0; }")
                              .arg(text.name(), m_backColor.name(),
                                   m_hideBorder ? QStringLiteral("0") : QStringLiteral("1"),
                                   m_hideBorder ? m_backColor.name() : QStringLiteral("#5b8fd1")));
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

void ctlUnicodeTextBox::SetSuperfocus()
{
    m_focusTimer->start();
}

bool ctlUnicodeTextBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_edit)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        if (m_prompt.clearsOnFocusIn(m_edit->text())) {
            m_edit->clear();
        } else if (m_selectOnFocus) {
            m_edit->selectAll();
            // A mouse press right after the focus would drop the selection again.
            if (static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason)
                QTimer::singleShot(0, m_edit, &QLineEdit::selectAll);
        }
        break;
    case QEvent::FocusOut:
        if (m_prompt.restoresOnFocusOut(m_edit->text()))
            m_edit->setText(m_prompt.prompt());
        break;
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
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

#include "unicodeinput/ui/ctlUMultilineTxtBox.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTimer>

namespace {

bool swallowed(const QKeyEvent &event)
{
    return isKeyAmong(
        event, {Qt::CTRL | Qt::Key_K, Qt::CTRL | Qt::Key_L, Qt::CTRL | Qt::Key_N, Qt::CTRL | Qt::Key_O});
}

} // namespace

ctlUMultilineTxtBox::ctlUMultilineTxtBox(QWidget *parent)
    : QWidget(parent), m_edit(new QPlainTextEdit(this)), m_focusTimer(new QTimer(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_edit);
    setFocusProxy(m_edit);
    m_edit->setContextMenuPolicy(Qt::NoContextMenu);
    m_edit->setTabChangesFocus(true);
    m_edit->installEventFilter(this);
    connect(m_edit, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_settingValue)
            emit Change();
    });

    m_focusTimer->setSingleShot(true);
    m_focusTimer->setInterval(0);
    connect(m_focusTimer, &QTimer::timeout, this, [this] { m_edit->setFocus(Qt::OtherFocusReason); });
    applyStyle();
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

void ctlUMultilineTxtBox::setAutoDisplayText(const QString &text)
{
    const QString typed = Text();
    m_prompt.setPrompt(text);
    if (typed.isEmpty() && !m_edit->hasFocus())
        setValue(m_prompt.valueFor(QString()));
}

QString ctlUMultilineTxtBox::Text() const
{
    return m_prompt.textOf(value());
}

void ctlUMultilineTxtBox::setText(const QString &text)
{
    setValue(m_prompt.valueFor(text));
}

bool ctlUMultilineTxtBox::ReadOnly() const
{
    return m_edit->isReadOnly();
}

void ctlUMultilineTxtBox::setReadOnly(bool readOnly)
{
    m_edit->setReadOnly(readOnly);
}

void ctlUMultilineTxtBox::setHideBorder(bool hide)
{
    m_hideBorder = hide;
    applyStyle();
}

void ctlUMultilineTxtBox::setBackColor(const QColor &color)
{
    m_backColor = color;
    applyStyle();
}

void ctlUMultilineTxtBox::applyStyle()
{
    m_edit->setStyleSheet(
        QStringLiteral("QPlainTextEdit { color: %1; background: %2; border: %3px solid #a0a0a0;"
                       " border-radius: 3px; padding: 2px;"
                       " selection-background-color: #3d7fd1; selection-color: white; }"
                       "QPlainTextEdit:focus { border-color: %4; }"
                       "QPlainTextEdit:disabled { color: #a0a0a0; background: #f0f0f0; }")
            .arg(PromptText::textColor().name(), m_backColor.name(),
                 m_hideBorder ? QStringLiteral("0") : QStringLiteral("1"),
                 m_hideBorder ? m_backColor.name() : QStringLiteral("#5b8fd1")));
}

void ctlUMultilineTxtBox::SetSuperfocus()
{
    m_focusTimer->start();
}

bool ctlUMultilineTxtBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_edit)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        if (m_prompt.clearsOnFocusIn(value())) {
            setValue(QString());
        } else if (m_selectOnFocus) {
            m_edit->selectAll();
            if (static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason)
                QTimer::singleShot(0, m_edit, &QPlainTextEdit::selectAll);
        }
        break;
    case QEvent::FocusOut:
        if (m_prompt.restoresOnFocusOut(value()))
            setValue(m_prompt.prompt());
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

#include "unicodeinput/ui/UnicodeInputControl.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QTimer>

UnicodeInputControl::UnicodeInputControl(QWidget *parent) : QWidget(parent), m_focusTimer(new QTimer(this))
{
    m_focusTimer->setSingleShot(true);
    m_focusTimer->setInterval(0);
}

void UnicodeInputControl::host(QWidget *editor)
{
    m_editor = editor;
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(editor);
    setFocusProxy(editor);
    editor->setContextMenuPolicy(Qt::NoContextMenu);
    editor->installEventFilter(this);
    connect(m_focusTimer, &QTimer::timeout, editor, [editor] { editor->setFocus(Qt::OtherFocusReason); });
}

void UnicodeInputControl::SetSuperfocus()
{
    m_focusTimer->start();
}

bool UnicodeInputControl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_editor)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (refusesKey(*key)) {
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
        editorEvent(event);
        break;
    }
    return QWidget::eventFilter(watched, event);
}

#include "platform/ui/WindowTools.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace platform {

void SetTopMostWindow(QWidget *window)
{
    if (!window)
        return;
    const bool wasVisible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Changing window flags hides a visible window; put it back where it was.
    if (wasVisible)
        window->show();
}

void DragWindow(QWidget *anyWidget)
{
    if (!anyWidget)
        return;
    QWidget *top = anyWidget->window();
    if (QWindow *handle = top->windowHandle())
        handle->startSystemMove();
}

DragHandle::DragHandle(QObject *parent) : QObject(parent) {}

void DragHandle::install(QWidget *handle)
{
    if (handle)
        handle->installEventFilter(new DragHandle(handle));
}

bool DragHandle::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *press = static_cast<QMouseEvent *>(event);
        if (press->button() != Qt::LeftButton)
            return false;
        QWidget *top = widget->window();
        QWindow *handle = top->windowHandle();
        m_manual = !(handle && handle->startSystemMove());
        m_grabOffset = press->globalPosition().toPoint() - top->frameGeometry().topLeft();
        return true;
    }
    case QEvent::MouseMove: {
        auto *move = static_cast<QMouseEvent *>(event);
        if (m_manual && (move->buttons() & Qt::LeftButton)) {
            widget->window()->move(move->globalPosition().toPoint() - m_grabOffset);
            return true;
        }
        return false;
    }
    case QEvent::MouseButtonRelease:
        m_manual = false;
        return false;
    default:
        return false;
    }
}

} // namespace platform

#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

// Drags `handle` with `button` from `from` (in its own coordinates) by `by`
// in a few steps, as a hand on a mouse would, and lets go.
inline void dragBy(QWidget *handle, QPoint from, QPoint by, Qt::MouseButton button = Qt::LeftButton)
{
    const QPointF local(from);
    const QPointF global(handle->mapToGlobal(from));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(handle, &press);
    for (int step = 1; step <= 4; ++step) {
        QMouseEvent move(QEvent::MouseMove, local, global + QPointF(by) * step / 4.0, Qt::NoButton, button,
                         Qt::NoModifier);
        QApplication::sendEvent(handle, &move);
    }
    QMouseEvent release(QEvent::MouseButtonRelease, local, global + QPointF(by), button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(handle, &release);
}

#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

namespace platform {

// Keeps `window` above every window that is not top-most itself, without
// moving or resizing it.
void SetTopMostWindow(QWidget *window);

// Starts moving the borderless top-level window of `anyWidget` with the mouse,
// as pressing a caption would. Call from a mouse-press handler.
void DragWindow(QWidget *anyWidget);

// Makes `handle` (a title label, a frame, a window background) drag its
// top-level window when pressed with the left button. Where the windowing
// system cannot move windows itself the filter moves it by hand.
class DragHandle : public QObject
{
    Q_OBJECT
public:
    static void install(QWidget *handle);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit DragHandle(QObject *parent);
    bool m_manual = false;
    QPoint m_grabOffset;
};

} // namespace platform

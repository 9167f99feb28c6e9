#pragma once

#include <QColor>
#include <QLabel>
#include <QMouseEvent>

// A label that acts as a link: red (or the colour given), grey under the
// mouse, and clicked only by a left press and release on it. A right press
// sets the window's "right button" state, so the click that may follow is
// not taken.
class LinkLabel : public QLabel
{
    Q_OBJECT
public:
    LinkLabel(const QString &text, const QColor &colour, QWidget *parent)
        : QLabel(text, parent), m_colour(colour)
    {
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
        paint(m_colour);
    }
    void setColour(const QColor &colour)
    {
        m_colour = colour;
        paint(colour);
    }

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent *event) override
    {
        paint(QColor(0xA7, 0xA7, 0xA7));
        QLabel::enterEvent(event);
    }
    void leaveEvent(QEvent *event) override
    {
        paint(m_colour);
        QLabel::leaveEvent(event);
    }
    void mousePressEvent(QMouseEvent *event) override { m_leftPressed = event->button() == Qt::LeftButton; }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (m_leftPressed && event->button() == Qt::LeftButton &&
            rect().contains(event->position().toPoint()))
            emit clicked();
        m_leftPressed = false;
    }

private:
    void paint(const QColor &colour)
    {
        QPalette p = palette();
        p.setColor(QPalette::WindowText, colour);
        setPalette(p);
    }

    QColor m_colour;
    bool m_leftPressed = false;
};

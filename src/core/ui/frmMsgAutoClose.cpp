#include "core/ui/frmMsgAutoClose.h"

#include "core/Skin.h"
#include "core/ui/Twips.h"
#include "platform/ui/WindowTools.h"

#include <QLabel>
#include <QPainter>
#include <QTimer>

frmMsgAutoClose::frmMsgAutoClose(AppState &state, QWidget *parent)
    : SkinnedDialog(state, parent), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("frmMsgAutoClose"));
    setTitleBarShown(false);
    setFixedSize(twips(2700), twips(930));

    auto *message = new QLabel(QStringLiteral("Done!"), this);
    message->setObjectName(QStringLiteral("lblMessage"));
    QFont big = message->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    message->setFont(big);
    message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    message->setGeometry(twips(1020), 0, width() - twips(1080), height());

    m_timer->setInterval(1000);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &QDialog::accept);
}

void frmMsgAutoClose::Form_Load()
{
    setWindowTitle(QStringLiteral("Flazz"));
    // It must be seen even when the browser the user went to sits on top.
    platform::SetTopMostWindow(this);
    m_timer->start();
}

void frmMsgAutoClose::Form_Unload()
{
    m_timer->stop();
}

void frmMsgAutoClose::paintEvent(QPaintEvent *event)
{
    SkinnedDialog::paintEvent(event);
    // A round badge with a tick, in the colour the skin uses for accents.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal d = height() * 0.56;
    const QRectF badge(twips(330), (height() - d) / 2, d, d);
    const QColor fill = skin() == 0 ? QColor(76, 175, 80) : QColor(255, 255, 255, 235);
    const QColor tick = skin() == 0 ? QColor(Qt::white) : Skin::backgroundBottom(skin());
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(badge);
    QPen pen(tick, d * 0.12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF points[] = {
        {badge.left() + d * 0.28, badge.top() + d * 0.52},
        {badge.left() + d * 0.44, badge.top() + d * 0.68},
        {badge.left() + d * 0.73, badge.top() + d * 0.36},
    };
    p.drawPolyline(points, 3);
}

#include "core/ui/frmMsgAutoClose.h"

#include "core/Skin.h"
#include "core/ui/LinkLabel.h"
#include "core/ui/Twips.h"
#include "platform/ui/WindowTools.h"

#include <QLabel>
#include <QPainter>
#include <QTimer>

namespace {

constexpr int kHeight = twips(930);
constexpr int kTextLeft = twips(1020);

} // namespace

frmMsgAutoClose::frmMsgAutoClose(AppState &state, QWidget *parent)
    : SkinnedDialog(state, parent), m_timer(new QTimer(this)),
      m_message(new QLabel(QStringLiteral("Done!"), this)), m_detail(new QLabel(this)),
      m_openLink(new LinkLabel(QStringLiteral("Open folder"), Skin::linkColor(skin()), this))
{
    setObjectName(QStringLiteral("frmMsgAutoClose"));
    setTitleBarShown(false);
    setFixedSize(twips(2700), kHeight);

    m_message->setObjectName(QStringLiteral("lblMessage"));
    QFont big = m_message->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    m_message->setFont(big);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_message->setGeometry(kTextLeft, 0, width() - twips(1080), height());

    m_detail->setObjectName(QStringLiteral("lblDetail"));
    m_detail->setWordWrap(true);
    m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_detail->hide();
    m_openLink->setObjectName(QStringLiteral("lblOpenFolder"));
    m_openLink->hide();
    connect(m_openLink, &LinkLabel::clicked, this, [this] {
        if (m_openFolder)
            m_openFolder();
        accept();
    });

    m_timer->setInterval(1000);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &QDialog::accept);
}

void frmMsgAutoClose::setDetail(const QString &detail, std::function<void()> openFolder)
{
    // "Done!" stays as it is; what it would leave untold goes beside it. A
    // path cannot be read in a second, so a note that carries one stays for
    // a few seconds; the link closes it sooner.
    m_openFolder = std::move(openFolder);
    const int width = twips(7200);
    const int textWidth = width - kTextLeft - twips(300);
    setFixedSize(width, twips(1800));
    m_message->setGeometry(kTextLeft, twips(120), textWidth, twips(500));
    m_detail->setText(detail);
    m_detail->setGeometry(kTextLeft, twips(640), textWidth, twips(720));
    m_detail->show();
    m_openLink->setGeometry(kTextLeft, twips(1380), textWidth, twips(300));
    m_openLink->setVisible(bool(m_openFolder));
    m_timer->setInterval(6000);
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
    const qreal d = kHeight * 0.56;
    const QRectF badge(twips(330), (kHeight - d) / 2, d, d);
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

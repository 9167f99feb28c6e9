#include "core/ui/frmSck.h"

#include "core/Skin.h"
#include "core/Version.h"
#include "core/ui/SkinArt.h"
#include "core/ui/Twips.h"
#include "platform/ui/WindowTools.h"

#include <QLabel>
#include <QPainter>
#include <QTimer>

namespace {

constexpr int kSplashWidth = 12000;
constexpr int kSplashHeight = 7380;
constexpr int kBusyWidth = 2520;
constexpr int kBusyHeight = 885;
// The processing note is longer than "Please wait..." and gets room for two lines.
constexpr int kProcessingWidth = 5400;
constexpr int kSpinner = 26; // pixels

} // namespace

QString frmSck::legalNotice()
{
    return QStringLiteral("Flazz ") + QLatin1String(Version::Text) + QLatin1Char('\n') +
           QStringLiteral("Copyright \u00A9 2026 Korvantis. All rights reserved.\n") +
           QStringLiteral("Flazz is a trademark of Korvantis.");
}

frmSck::frmSck(AppState &state, QWidget *parent)
    : SkinnedDialog(state, parent), m_label(new QLabel(this)), m_timer(new QTimer(this)),
      m_spin(new QTimer(this))
{
    setObjectName(QStringLiteral("frmSck"));
    setTitleBarShown(false);
    m_label->setObjectName(QStringLiteral("lblMessage"));

    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(3000);
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &QDialog::accept);

    // The spinner turns whenever the event loop gets a moment; a synchronous
    // request freezes it, which is honest about what is happening.
    m_spin->setInterval(80);
    connect(m_spin, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % 12;
        update(QRect(0, 0, twips(540), height()));
    });
}

void frmSck::SetTopMostWindow()
{
    platform::SetTopMostWindow(this);
}

void frmSck::Form_Load()
{
    if (m_mode == Splash)
        layoutSplash();
    else if (m_mode == Busy || m_mode == PleaseWait)
        layoutBusy(QStringLiteral("Please wait..."), kBusyWidth);
    else
        layoutBusy(
            QStringLiteral("Flazz is processing your query and will display the results in the 'Results "
                           "Grid'. Please wait..."),
            kProcessingWidth);
    SetTopMostWindow();
}

void frmSck::layoutSplash()
{
    setFixedSize(twips(kSplashWidth), twips(kSplashHeight));
    m_picture = SkinArt::splashPicture(skin(), size());

    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, Skin::textColor(skin()));
    m_label->setPalette(palette);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_label->setFont(small);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label->setWordWrap(false);
    m_label->setText(legalNotice());
    m_label->setGeometry(width() / 2 + twips(1500), twips(6225), twips(8595), height() - twips(6225));
    m_spin->stop();
    m_timer->start();
}

void frmSck::layoutBusy(const QString &text, int widthTwips)
{
    setFixedSize(twips(widthTwips), twips(kBusyHeight));
    m_picture = QPixmap();
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, Skin::textColor(skin()));
    m_label->setPalette(palette);
    m_label->setFont(font());
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_label->setWordWrap(true);
    m_label->setText(text);
    const int left = twips(540);
    m_label->setGeometry(left, 0, width() - left - twips(120), height());
    m_timer->stop();
    m_spin->start();
}

void frmSck::Form_Unload()
{
    m_timer->stop();
    m_spin->stop();
    m_mode.clear();
}

void frmSck::paintEvent(QPaintEvent *event)
{
    if (!m_picture.isNull()) {
        QPainter p(this);
        p.drawPixmap(0, 0, m_picture);
        return;
    }
    SkinnedDialog::paintEvent(event);
    QPainter p(this);
    const int side = kSpinner;
    SkinArt::paintBusy(p, QRectF((twips(540) - side) / 2.0 + 2, (height() - side) / 2.0, side, side), skin(),
                       m_step);
}

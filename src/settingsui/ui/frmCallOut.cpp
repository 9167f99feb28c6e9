#include "settingsui/ui/frmCallOut.h"

#include "core/AppState.h"
#include "core/ui/Twips.h"
#include "platform/ui/WindowTools.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kWidth = 277;
constexpr int kHeight = 138;

const QColor kCloseColor(0xC1, 0x06, 0x06);
const QColor kCloseHover(0xA7, 0xA7, 0xA7);

} // namespace

frmCallOut::frmCallOut(AppState &state, QWidget *parent)
    : SkinnedDialog(state, parent), m_lblCallOut(new QLabel(this)), m_btnClose(new QLabel(this)),
      m_cmdSend(new QPushButton(this))
{
    setObjectName(QStringLiteral("frmCallOut"));
    setFixedSize(kWidth, kHeight);
    titleLabel()->setObjectName(QStringLiteral("lblCaption"));
    titleLabel()->clear();
    // The title bar carries a "Close" link of its own instead of the cross.
    setTitleCloseShown(false);

    m_btnClose->setObjectName(QStringLiteral("btnClose"));
    m_btnClose->setText(QStringLiteral("Close"));
    m_btnClose->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_btnClose->setGeometry(kWidth - 58, 5, 48, TitleBarHeight - 10);
    m_btnClose->setCursor(Qt::PointingHandCursor);
    m_btnClose->setAttribute(Qt::WA_Hover);
    QFont linkFont = m_btnClose->font();
    linkFont.setBold(true);
    m_btnClose->setFont(linkFont);
    m_btnClose->installEventFilter(this);
    setCloseColor(kCloseColor);
    // Moving back over the title bar restores the link's red.
    titleLabel()->setMouseTracking(true);
    titleLabel()->installEventFilter(this);

    m_lblCallOut->setObjectName(QStringLiteral("lblCallOut"));
    m_lblCallOut->setWordWrap(true);
    m_lblCallOut->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_lblCallOut->setGeometry(16, TitleBarHeight + 8, kWidth - 32, 54);

    m_cmdSend->setObjectName(QStringLiteral("cmdSend"));
    m_cmdSend->setGeometry((kWidth - 86) / 2, kHeight - 40, 86, 28);
    skinButton(m_cmdSend);
    connect(m_cmdSend, &QPushButton::clicked, this, &frmCallOut::cmdSend_Click);
}

QLabel *frmCallOut::lblCaption() const
{
    return titleLabel();
}

void frmCallOut::Form_Load()
{
    platform::SetTopMostWindow(this);
    titleLabel()->setText(m_caption);
    if (m_caption == QLatin1String("Active")) {
        m_cmdSend->setText(QStringLiteral("OK"));
        m_cmdSend->setGeometry(twips(1560), m_cmdSend->y(), twips(1045), m_cmdSend->height());
    }
    m_lblCallOut->setText(m_message);

    // A call-out belongs next to the notification area it answers for.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect work = screen->availableGeometry();
        move(work.right() - kWidth - 12, work.bottom() - kHeight - 12);
    }
}

void frmCallOut::Form_Unload()
{
    state().TrayBusy = false;
}

void frmCallOut::cmdSend_Click()
{
    if (m_cmdSend->text() == QLatin1String("OK"))
        accept();
}

void frmCallOut::setCloseColor(const QColor &color)
{
    QPalette palette = m_btnClose->palette();
    palette.setColor(QPalette::WindowText, color);
    m_btnClose->setPalette(palette);
}

bool frmCallOut::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_btnClose) {
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::MouseMove:
            setCloseColor(kCloseHover);
            break;
        case QEvent::Leave:
            setCloseColor(kCloseColor);
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
                reject();
                return true;
            }
            break;
        default:
            break;
        }
    } else if (watched == titleLabel() && event->type() == QEvent::MouseMove) {
        setCloseColor(kCloseColor);
    }
    return SkinnedDialog::eventFilter(watched, event);
}

#include "core/ui/SkinnedDialog.h"

#include "core/AppState.h"
#include "core/Skin.h"
#include "core/ui/SkinArt.h"
#include "platform/ui/WindowTools.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>

namespace {

// The title bar's close control: a drawn cross that lights up under the
// mouse, the same on every platform.
class TitleCloseButton : public QAbstractButton
{
public:
    TitleCloseButton(int skin, QWidget *parent) : QAbstractButton(parent), m_skin(skin)
    {
        setObjectName(QStringLiteral("btnTitleClose"));
        setToolTip(QStringLiteral("Close"));
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
        resize(22, 22);
    }

    void setSkin(int skin)
    {
        m_skin = skin;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
        const bool hot = underMouse() || isDown();
        if (hot) {
            p.setPen(Qt::NoPen);
            p.setBrush(isDown() ? QColor(176, 30, 30) : QColor(214, 54, 54));
            p.drawRoundedRect(r, 5, 5);
        }
        const QColor cross = hot ? QColor(Qt::white) : Skin::textColor(m_skin);
        p.setPen(QPen(cross, 1.6, Qt::SolidLine, Qt::RoundCap));
        const QRectF x = r.adjusted(6.5, 6.5, -6.5, -6.5);
        p.drawLine(x.topLeft(), x.bottomRight());
        p.drawLine(x.topRight(), x.bottomLeft());
    }

private:
    int m_skin;
};

} // namespace

SkinnedDialog::SkinnedDialog(AppState &state, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_state(state), m_skin(Skin::clamp(state.Skin)),
      m_title(new QLabel(this)), m_close(new TitleCloseButton(m_skin, this))
{
    setWindowTitle(QStringLiteral("Flazz"));
    setWindowIcon(SkinArt::appIcon());

    m_title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 0.95);
    m_title->setFont(titleFont);
    m_title->setText(QStringLiteral("Flazz"));
    applySkin();
    platform::DragHandle::install(m_title);

    connect(m_close, &QAbstractButton::clicked, this, &QDialog::reject);
    placeTitle();
}

void SkinnedDialog::setTitleBarShown(bool shown)
{
    m_titleBar = shown;
    m_title->setVisible(shown);
    m_close->setVisible(shown);
    update();
}

void SkinnedDialog::setTitleCloseShown(bool shown)
{
    m_close->setVisible(m_titleBar && shown);
    placeTitle();
}

void SkinnedDialog::skinButton(QAbstractButton *button)
{
    button->setStyleSheet(SkinArt::buttonStyleSheet(m_skin));
    button->setCursor(Qt::PointingHandCursor);
    if (!m_skinnedButtons.contains(button))
        m_skinnedButtons.append(button);
}

void SkinnedDialog::applySkin()
{
    m_skin = Skin::clamp(m_state.Skin);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Skin::textColor(m_skin));
    palette.setColor(QPalette::Text, Skin::textColor(m_skin));
    setPalette(palette);
    QPalette titlePalette = m_title->palette();
    titlePalette.setColor(QPalette::WindowText, SkinArt::titleColor(m_skin));
    m_title->setPalette(titlePalette);
    static_cast<TitleCloseButton *>(m_close)->setSkin(m_skin);
    for (const QPointer<QAbstractButton> &button : std::as_const(m_skinnedButtons)) {
        if (button)
            button->setStyleSheet(SkinArt::buttonStyleSheet(m_skin));
    }
    update();
}

void SkinnedDialog::setVisible(bool visible)
{
    if (visible && !m_loaded) {
        m_loaded = true;
        // A window may be built long before it shows (the splash is made
        // before start-up has read the settings): it wears the skin of the
        // moment it appears.
        applySkin();
        Form_Load();
    }
    QDialog::setVisible(visible);
}

void SkinnedDialog::done(int result)
{
    QDialog::done(result);
    if (m_loaded) {
        m_loaded = false;
        Form_Unload();
    }
}

void SkinnedDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    SkinArt::paintWindow(painter, rect(), m_skin, m_titleBar ? TitleBarHeight : 0);
}

void SkinnedDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // Offscreen rendering (tests, the gallery) has no window shapes.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        setMask(SkinArt::windowMask(size()));
    placeTitle();
}

void SkinnedDialog::placeTitle()
{
    // The mark sits at the far left of the bar; the title follows it and
    // runs up to the close control, so the whole band drags the window.
    const int left = 9 + int(TitleBarHeight * 0.6) + 7;
    const int closeSpace = m_close->isHidden() ? 0 : m_close->width() + 8;
    m_title->setGeometry(left, 1, qMax(0, width() - left - closeSpace), TitleBarHeight - 2);
    m_close->move(width() - m_close->width() - 5, (TitleBarHeight - m_close->height()) / 2);
}

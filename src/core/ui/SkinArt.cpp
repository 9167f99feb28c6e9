#include "core/ui/SkinArt.h"

#include "core/Skin.h"

#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QSvgRenderer>

#include <cmath>

static void initArt()
{
    Q_INIT_RESOURCE(flazz_core_ui_art);
}

namespace SkinArt {

namespace {

QSvgRenderer &logoRenderer()
{
    static QSvgRenderer *renderer = [] {
        initArt();
        return new QSvgRenderer(QStringLiteral(":/flazz_core_ui/logo.svg"));
    }();
    return *renderer;
}

bool isLight(int skin)
{
    return Skin::clamp(skin) == 0;
}

QColor withAlpha(QColor color, int alpha)
{
    color.setAlpha(alpha);
    return color;
}

QString css(const QColor &color)
{
    return color.name(color.alpha() == 255 ? QColor::HexRgb : QColor::HexArgb);
}

// A tile of one fine diagonal line: over a gradient it reads as a woven
// texture rather than as stripes.
const QPixmap &textureTile(bool light)
{
    static QPixmap tiles[2];
    QPixmap &tile = tiles[light ? 1 : 0];
    if (tile.isNull()) {
        tile = QPixmap(6, 6);
        tile.fill(Qt::transparent);
        QPainter p(&tile);
        p.setPen(light ? QColor(0, 0, 0, 9) : QColor(255, 255, 255, 11));
        p.drawLine(0, 5, 5, 0);
    }
    return tile;
}

QPainterPath roundedPath(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

void paintPhotoCard(QPainter &p, const QPointF &centre, qreal angle, const QSizeF &size, int skin, int seed)
{
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const QRectF card(-size.width() / 2, -size.height() / 2, size.width(), size.height());

    // Soft shadow in three passes, widening and fading.
    for (int i = 3; i >= 1; --i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 18));
        p.drawRoundedRect(card.translated(2 + i, 4 + i).adjusted(-i, -i, i, i), 6 + i, 6 + i);
    }
    p.setBrush(QColor(255, 255, 255));
    p.drawRoundedRect(card, 6, 6);

    const QRectF picture = card.adjusted(10, 10, -10, -30);
    p.save();
    p.setClipPath(roundedPath(picture, 3));
    const QColor accent = Skin::accentColor(skin);
    QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
    const QColor skyTop = seed == 1 ? QColor(255, 196, 140) : QColor(120, 180, 235);
    const QColor skyBottom = seed == 1 ? QColor(255, 140, 120) : QColor(200, 230, 250);
    sky.setColorAt(0, skyTop);
    sky.setColorAt(1, skyBottom);
    p.fillRect(picture, sky);

    // Sun, far hills, near hills.
    p.setBrush(QColor(255, 244, 200, 230));
    p.drawEllipse(QPointF(picture.left() + picture.width() * (seed == 2 ? 0.25 : 0.72),
                          picture.top() + picture.height() * 0.3),
                  picture.height() * 0.12, picture.height() * 0.12);
    QPainterPath far;
    far.moveTo(picture.bottomLeft());
    far.lineTo(picture.left(), picture.top() + picture.height() * 0.62);
    far.cubicTo(picture.left() + picture.width() * 0.3, picture.top() + picture.height() * 0.35,
                picture.left() + picture.width() * 0.5, picture.top() + picture.height() * 0.75,
                picture.right(), picture.top() + picture.height() * 0.5);
    far.lineTo(picture.bottomRight());
    far.closeSubpath();
    p.setBrush(withAlpha(accent.darker(seed == 1 ? 150 : 120), 200));
    p.drawPath(far);
    QPainterPath near;
    near.moveTo(picture.bottomLeft());
    near.lineTo(picture.left(), picture.top() + picture.height() * 0.85);
    near.cubicTo(picture.left() + picture.width() * 0.45, picture.top() + picture.height() * 0.6,
                 picture.left() + picture.width() * 0.7, picture.top() + picture.height() * 0.95,
                 picture.right(), picture.top() + picture.height() * 0.78);
    near.lineTo(picture.bottomRight());
    near.closeSubpath();
    p.setBrush(QColor(60, 120, 70, 220));
    p.drawPath(near);
    p.restore();

    // A caption line on the card's white margin.
    p.setBrush(QColor(0, 0, 0, 30));
    p.drawRoundedRect(QRectF(card.left() + 12, card.bottom() - 19, card.width() * 0.45, 6), 3, 3);
    p.restore();
}

} // namespace

void paintWindow(QPainter &painter, const QRect &rect, int skin, int titleBarHeight)
{
    skin = Skin::clamp(skin);
    const bool light = isLight(skin);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath outline = roundedPath(r, CornerRadius);

    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0, Skin::backgroundTop(skin));
    body.setColorAt(1, Skin::backgroundBottom(skin));
    painter.fillPath(outline, body);

    painter.save();
    painter.setClipPath(outline);
    painter.fillRect(r, QBrush(textureTile(light)));

    // Light falls from the upper left, as on a sheet of glossy paper.
    QRadialGradient glow(QPointF(r.left() + r.width() * 0.18, r.top() + titleBarHeight), r.width() * 0.75);
    glow.setColorAt(0, QColor(255, 255, 255, light ? 120 : 46));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillRect(r, glow);

    if (titleBarHeight > 0) {
        const QRectF bar(r.left(), r.top(), r.width(), titleBarHeight);
        QLinearGradient band(bar.topLeft(), bar.bottomLeft());
        if (light) {
            band.setColorAt(0, QColor(255, 255, 255));
            band.setColorAt(1, QColor(230, 232, 235));
        } else {
            band.setColorAt(0, withAlpha(Skin::backgroundBottom(skin).darker(115), 235));
            band.setColorAt(1, withAlpha(Skin::backgroundBottom(skin).darker(135), 235));
        }
        painter.fillRect(bar, band);
        painter.setPen(QPen(light ? QColor(0, 0, 0, 40) : QColor(0, 0, 0, 90), 1));
        painter.drawLine(QPointF(bar.left(), bar.bottom()), QPointF(bar.right(), bar.bottom()));
        painter.setPen(QPen(light ? QColor(255, 255, 255, 230) : withAlpha(Skin::accentColor(skin), 110), 1));
        painter.drawLine(QPointF(bar.left(), bar.bottom() + 1), QPointF(bar.right(), bar.bottom() + 1));
        const qreal mark = titleBarHeight * 0.6;
        paintLogo(painter, QRectF(r.left() + 9, r.top() + (titleBarHeight - mark) / 2, mark, mark));
    }
    painter.restore();

    // A crisp outer edge and a faint inner highlight give the panel depth.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(light ? QColor(150, 154, 160) : Skin::backgroundBottom(skin).darker(170), 1));
    painter.drawPath(outline);
    painter.setPen(QPen(QColor(255, 255, 255, light ? 160 : 40), 1));
    painter.drawPath(roundedPath(r.adjusted(1, 1, -1, -1), CornerRadius - 1));
    painter.restore();
}

QRegion windowMask(const QSize &size)
{
    // A mask has no soft edges; cutting at the radius of the painted
    // outline leaves the outline's antialiased pixels inside.
    const int w = size.width();
    const int h = size.height();
    const int r = CornerRadius;
    QRegion region(0, 0, w, h);
    for (int y = 0; y < r; ++y) {
        const double dy = r - y - 0.5;
        const int cut = int(std::floor(r - std::sqrt(double(r * r) - dy * dy)));
        if (cut <= 0)
            continue;
        region -= QRegion(0, y, cut, 1);
        region -= QRegion(w - cut, y, cut, 1);
        region -= QRegion(0, h - 1 - y, cut, 1);
        region -= QRegion(w - cut, h - 1 - y, cut, 1);
    }
    return region;
}

QPixmap splashPicture(int skin, const QSize &size)
{
    skin = Skin::clamp(skin);
    const bool light = isLight(skin);
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(QPointF(0, 0), QSizeF(size));
    const qreal w = r.width();
    const qreal h = r.height();

    QLinearGradient body(r.topLeft(), r.bottomRight());
    body.setColorAt(0, light ? QColor(255, 255, 255) : Skin::backgroundTop(skin).lighter(115));
    body.setColorAt(0.55, Skin::backgroundTop(skin));
    body.setColorAt(1, Skin::backgroundBottom(skin));
    p.fillRect(r, body);
    p.fillRect(r, QBrush(textureTile(light)));

    // Out-of-focus lights, placed the same way on every start.
    QRandomGenerator random(7);
    const QColor accent = Skin::accentColor(skin);
    for (int i = 0; i < 16; ++i) {
        const QPointF c(random.bounded(w), random.bounded(h * 0.8));
        const qreal radius = 18 + random.bounded(70.0);
        QRadialGradient bokeh(c, radius);
        bokeh.setColorAt(0, withAlpha(light ? accent : accent.lighter(130), light ? 40 : 50));
        bokeh.setColorAt(0.8, withAlpha(light ? accent : accent.lighter(130), light ? 22 : 26));
        bokeh.setColorAt(1, withAlpha(accent, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(bokeh);
        p.drawEllipse(c, radius, radius);
    }

    // A wave of light across the lower part, under the legal notice.
    QPainterPath wave;
    wave.moveTo(0, h * 0.78);
    wave.cubicTo(w * 0.3, h * 0.66, w * 0.6, h * 0.92, w, h * 0.74);
    wave.lineTo(w, h);
    wave.lineTo(0, h);
    wave.closeSubpath();
    QLinearGradient waveFill(QPointF(0, h * 0.7), QPointF(0, h));
    waveFill.setColorAt(0, QColor(255, 255, 255, light ? 150 : 30));
    waveFill.setColorAt(1, QColor(255, 255, 255, light ? 40 : 6));
    p.fillPath(wave, waveFill);
    p.setPen(QPen(withAlpha(light ? accent : accent.lighter(120), 120), 1.5));
    p.setBrush(Qt::NoBrush);
    QPainterPath crest;
    crest.moveTo(0, h * 0.78);
    crest.cubicTo(w * 0.3, h * 0.66, w * 0.6, h * 0.92, w, h * 0.74);
    p.drawPath(crest);

    // A fanned stack of photos on the right.
    const QSizeF card(w * 0.235, h * 0.32);
    paintPhotoCard(p, QPointF(w * 0.69, h * 0.39), -11, card, skin, 0);
    paintPhotoCard(p, QPointF(w * 0.77, h * 0.35), 3, card, skin, 1);
    paintPhotoCard(p, QPointF(w * 0.84, h * 0.42), 14, card, skin, 2);

    // The mark and the name on the left.
    const qreal mark = h * 0.2;
    const QRectF markRect(w * 0.07, h * 0.26, mark, mark);
    paintLogo(p, markRect);
    QFont name = p.font();
    name.setPixelSize(int(h * 0.17));
    name.setBold(true);
    name.setLetterSpacing(QFont::PercentageSpacing, 96);
    p.setFont(name);
    const QColor text = Skin::textColor(skin);
    const QRectF nameRect(markRect.right() + w * 0.02, markRect.top() - h * 0.03, w * 0.4, mark + h * 0.06);
    p.setPen(withAlpha(QColor(0, 0, 0), light ? 0 : 60));
    p.drawText(nameRect.translated(1, 2), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Flazz"));
    p.setPen(light ? QColor(70, 72, 76) : text);
    p.drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Flazz"));

    QFont tagline = p.font();
    tagline.setPixelSize(int(h * 0.042));
    tagline.setBold(false);
    tagline.setLetterSpacing(QFont::PercentageSpacing, 104);
    p.setFont(tagline);
    p.setPen(withAlpha(light ? QColor(91, 91, 91) : text, 220));
    p.drawText(QRectF(markRect.left(), markRect.bottom() + h * 0.05, w * 0.5, h * 0.08),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Your photos, one click away."));

    // Rim.
    p.setPen(QPen(light ? QColor(150, 154, 160) : Skin::backgroundBottom(skin).darker(160), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedPath(r.adjusted(0.5, 0.5, -0.5, -0.5), CornerRadius));
    return pixmap;
}

void paintLogo(QPainter &painter, const QRectF &target)
{
    logoRenderer().render(&painter, target);
}

QIcon appIcon()
{
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        paintLogo(p, QRectF(0, 0, side, side));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void paintBusy(QPainter &painter, const QRectF &target, int skin, int step)
{
    const QColor colour = isLight(skin) ? QColor(255, 106, 61) : QColor(255, 255, 255);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(target.center());
    const qreal radius = qMin(target.width(), target.height()) / 2;
    QPen pen(colour, radius * 0.22, Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < 12; ++i) {
        // The spoke at the head of the turn is solid; those behind it fade.
        const int age = (step - i + 12) % 12;
        QColor c = colour;
        c.setAlphaF(qMax(0.15, 1.0 - age / 10.0));
        pen.setColor(c);
        painter.setPen(pen);
        painter.save();
        painter.rotate(i * 30.0);
        painter.drawLine(QPointF(0, -radius * 0.48), QPointF(0, -radius * 0.88));
        painter.restore();
    }
    painter.restore();
}

QColor titleColor(int skin)
{
    return Skin::textColor(skin);
}

QString buttonStyleSheet(int skin)
{
    skin = Skin::clamp(skin);
    QColor text, border, top, bottom, hoverTop, hoverBottom, pressed, focus;
    if (isLight(skin)) {
        text = QColor(70, 72, 76);
        border = QColor(170, 174, 180);
        top = QColor(255, 255, 255);
        bottom = QColor(228, 230, 233);
        hoverTop = QColor(255, 255, 255);
        hoverBottom = QColor(240, 242, 244);
        pressed = QColor(215, 218, 222);
        focus = QColor(255, 106, 61);
    } else {
        const QColor base = Skin::backgroundTop(skin);
        text = QColor(255, 255, 255);
        border = Skin::backgroundBottom(skin).darker(150);
        top = base.lighter(125);
        bottom = base.darker(108);
        hoverTop = base.lighter(140);
        hoverBottom = base.lighter(105);
        pressed = Skin::backgroundBottom(skin);
        focus = Skin::accentColor(skin);
    }
    return QStringLiteral(
               "QPushButton { color: %1; border: 1px solid %2; border-radius: 5px; padding: 2px 12px;"
               " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %3, stop:1 %4); }"
               " QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
               " stop:0 %5, stop:1 %6); }"
               " QPushButton:pressed { background: %7; }"
               " QPushButton:focus { border-color: %8; }"
               " QPushButton:disabled { color: %9; }")
        .arg(css(text), css(border), css(top), css(bottom), css(hoverTop), css(hoverBottom), css(pressed),
             css(focus), css(withAlpha(text, 110)));
}

QString checkBoxStyleSheet(int skin)
{
    skin = Skin::clamp(skin);
    initArt();
    const bool light = isLight(skin);
    const QColor text = Skin::textColor(skin);
    const QColor box = light ? QColor(255, 255, 255) : QColor(255, 255, 255, 40);
    const QColor border = light ? QColor(150, 154, 160) : QColor(255, 255, 255, 150);
    const QColor tick = light ? QColor(255, 106, 61) : Skin::backgroundBottom(skin).darker(120);
    return QStringLiteral("QCheckBox { color: %1; spacing: 7px; }"
                          " QCheckBox::indicator { width: 13px; height: 13px; border: 1px solid %2;"
                          " border-radius: 3px; background: %3; }"
                          " QCheckBox::indicator:checked { background: %4; border-color: %4;"
                          " image: url(:/flazz_core_ui/check.svg); }")
        .arg(css(text), css(border), css(box), css(tick));
}

QString textBoxStyleSheet(int skin)
{
    skin = Skin::clamp(skin);
    const bool light = isLight(skin);
    const QColor text = light ? QColor(60, 60, 60) : QColor(255, 255, 255);
    const QColor back = light ? QColor(255, 255, 255) : QColor(0, 0, 0, 60);
    const QColor border = light ? QColor(170, 174, 180) : QColor(255, 255, 255, 90);
    return QStringLiteral(
               "QPlainTextEdit, QTextEdit, QLineEdit { color: %1; background: %2; border: 1px solid %3;"
               " border-radius: 4px; padding: 2px; selection-background-color: %4; }")
        .arg(css(text), css(back), css(border), css(Skin::accentColor(skin).darker(110)));
}

} // namespace SkinArt

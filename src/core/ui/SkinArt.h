#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRegion>
#include <QSize>
#include <QString>

class QPainter;
class QRect;
class QRectF;

// The drawn art of the six skins: window backgrounds, the splash picture,
// the busy picture and the style of buttons and check boxes. Everything is
// painted from the skin's colours, so a new skin is a new palette.
namespace SkinArt {

// Corner radius of every borderless window.
inline constexpr int CornerRadius = 8;

// A rounded panel with the skin's gradient, a fine diagonal texture and, when
// `titleBarHeight` > 0, a title bar band across the top.
void paintWindow(QPainter &painter, const QRect &rect, int skin, int titleBarHeight);

// The shape of a borderless window: its corners cut round.
QRegion windowMask(const QSize &size);

// The splash picture of `skin`, drawn at `size`. Leaves the lower right
// quarter calm for the legal notice.
QPixmap splashPicture(int skin, const QSize &size);

// The program's mark, drawn into `target`.
void paintLogo(QPainter &painter, const QRectF &target);
QIcon appIcon();

// One frame of the busy spinner; `step` turns it by a twelfth.
void paintBusy(QPainter &painter, const QRectF &target, int skin, int step);

// Style sheets for the controls on a skinned window.
QString buttonStyleSheet(int skin);
QString checkBoxStyleSheet(int skin);
QString textBoxStyleSheet(int skin);

// The title bar's text colour.
QColor titleColor(int skin);

} // namespace SkinArt

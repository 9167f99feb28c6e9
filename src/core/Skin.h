#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

// The six skins of the Settings window's list. The windows take their colours
// from here; the background art lives with the windows.
namespace Skin {

inline constexpr int Count = 6;

// "Classic Grey", "Blue", "Red", "Purple", "Green", "Dark Grey".
QStringList names();

// A skin number the program can draw: anything out of range falls back to 0.
int clamp(int skin);

// Text on the window background: RGB(91,91,91) on the light default skin,
// white on every other.
QColor textColor(int skin);

// Link labels such as "Hide": RGB(193,6,6), except on the red skin where red
// on red would vanish, so they are white there.
QColor linkColor(int skin);

// Links while the mouse is over them.
QColor linkHoverColor();

// The main colours of each skin's background art, light to dark.
QColor backgroundTop(int skin);
QColor backgroundBottom(int skin);
QColor accentColor(int skin);

} // namespace Skin

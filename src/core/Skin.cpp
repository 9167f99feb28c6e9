#include "core/Skin.h"

namespace Skin {

namespace {

struct Palette
{
    const char *name;
    QRgb top;
    QRgb bottom;
    QRgb accent;
};

constexpr Palette kPalettes[Count] = {
    {"Classic Grey", qRgb(250, 250, 250), qRgb(222, 224, 226), qRgb(160, 164, 168)},
    {"Blue", qRgb(64, 128, 200), qRgb(22, 60, 120), qRgb(140, 190, 240)},
    {"Red", qRgb(200, 52, 52), qRgb(120, 16, 20), qRgb(240, 150, 140)},
    {"Purple", qRgb(130, 80, 170), qRgb(64, 30, 100), qRgb(200, 160, 230)},
    {"Green", qRgb(70, 150, 80), qRgb(24, 84, 40), qRgb(160, 220, 150)},
    {"Dark Grey", qRgb(84, 86, 90), qRgb(34, 35, 38), qRgb(150, 152, 156)},
};

} // namespace

QStringList names()
{
    QStringList list;
    for (const Palette &p : kPalettes)
        list.append(QString::fromLatin1(p.name));
    return list;
}

int clamp(int skin)
{
    return (skin >= 0 && skin < Count) ? skin : 0;
}

QColor textColor(int skin)
{
    return clamp(skin) == 0 ? QColor(91, 91, 91) : QColor(Qt::white);
}

QColor linkColor(int skin)
{
    return clamp(skin) == 2 ? QColor(Qt::white) : QColor(193, 6, 6);
}

QColor linkHoverColor()
{
    return QColor(167, 167, 167);
}

QColor backgroundTop(int skin)
{
    return QColor(kPalettes[clamp(skin)].top);
}

QColor backgroundBottom(int skin)
{
    return QColor(kPalettes[clamp(skin)].bottom);
}

QColor accentColor(int skin)
{
    return QColor(kPalettes[clamp(skin)].accent);
}

} // namespace Skin

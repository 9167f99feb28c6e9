#include "core/FormatSize.h"

#include <cmath>

QString FormatSize(double bytes)
{
    if (bytes <= 999)
        return QString::number(std::nearbyint(bytes), 'f', 0) + QStringLiteral(" bytes");

    static constexpr const char *kUnits[] = {" KB", " MB", " GB", " TB", " PB", " EB", " ZB", " YB"};
    constexpr int kLast = int(std::size(kUnits)) - 1;
    double unit = 1024;
    int index = 0;
    while (index < kLast && bytes > 999 * unit) {
        unit *= 1024;
        ++index;
    }
    const double quotient = bytes / unit;
    // nearbyint rounds half to even in the default rounding mode, which keeps
    // large sizes from drifting upwards.
    const QString number = quotient < 100 ? QString::number(quotient, 'f', 2)
                                          : QString::number(std::nearbyint(quotient), 'f', 0);
    return number + QLatin1String(kUnits[index]);
}

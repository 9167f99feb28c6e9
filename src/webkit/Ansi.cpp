#include "webkit/Ansi.h"

namespace Ansi {

namespace {

// Code points of bytes 0x80-0x9F in Windows-1252; 0 marks the five unused bytes.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char toByte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] != 0 && kHigh[i] == c)
            return char(0x80 + i);
    }
    // The five undefined bytes round-trip through their C1 code points, as
    // the platform's conversion does.
    if (c >= 0x80 && c <= 0x9F && kHigh[c - 0x80] == 0)
        return char(c);
    return '?';
}

} // namespace

QByteArray fromUnicode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A surrogate pair is one character the code page cannot hold.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        out.append(toByte(c.unicode()));
    }
    return out;
}

QString toUnicode(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (u >= 0x80 && u <= 0x9F && kHigh[u - 0x80] != 0)
            out.append(QChar(kHigh[u - 0x80]));
        else
            out.append(QChar(char16_t(u)));
    }
    return out;
}

QString latin1Chars(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

} // namespace Ansi

#include "webkit/WebText.h"

#include "webkit/Ansi.h"

namespace {

bool passesUnchanged(unsigned char b)
{
    return b == '.' || b == '-' || b == '_' || (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
           (b >= 'a' && b <= 'z');
}

} // namespace

QString UrlEncode(const QString &text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const QByteArray bytes = Ansi::fromUnicode(text);
    QString out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (passesUnchanged(b)) {
            out.append(QLatin1Char(c));
        } else {
            out.append(u'%');
            out.append(QLatin1Char(kHex[b >> 4]));
            out.append(QLatin1Char(kHex[b & 0x0F]));
        }
    }
    return out;
}

QString UrlDecode(const QString &text)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'+') {
            out.append(u' ');
        } else if (c == u'%' && i + 2 < n && hexDigitValue(text.at(i + 1)) >= 0 &&
                   hexDigitValue(text.at(i + 2)) >= 0) {
            // The code is a byte of the ANSI code page, as the platform's
            // character-from-code conversion reads it.
            const int code = hexDigitValue(text.at(i + 1)) * 16 + hexDigitValue(text.at(i + 2));
            out.append(Ansi::toUnicode(QByteArray(1, char(code))));
            i += 2;
        } else {
            out.append(c);
        }
    }
    return out;
}

QString XmlEscape(const QString &text)
{
    QString out = text;
    out.replace(QStringLiteral("&"), QStringLiteral("&amp;"));
    out.replace(QStringLiteral("<"), QStringLiteral("&lt;"));
    out.replace(QStringLiteral(">"), QStringLiteral("&gt;"));
    out.replace(QStringLiteral("'"), QStringLiteral("&apos;"));
    out.replace(QStringLiteral("\""), QStringLiteral("&quot;"));
    return out;
}

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

#include "webkit/hs1.h"

#include <QMessageAuthenticationCode>

namespace {

// The platform reports an unknown format as an invalid parameter.
constexpr int kErrorInvalidParameter = 87;

QString base64Lines(const QByteArray &bytes, const QString &eol)
{
    const QByteArray flat = bytes.toBase64();
    if (eol.isEmpty())
        return QString::fromLatin1(flat);
    QString out;
    for (qsizetype i = 0; i < flat.size(); i += 64)
        out += QString::fromLatin1(flat.mid(i, 64)) + eol;
    return out;
}

QString hexLines(const QByteArray &bytes, bool ascii, bool address, const QString &eol)
{
    static constexpr char kHex[] = "0123456789abcdef";
    QString out;
    for (qsizetype line = 0; line < bytes.size(); line += 16) {
        if (address)
            out += QStringLiteral("%1  ").arg(qlonglong(line), 4, 16, QLatin1Char('0'));
        QString hex;
        QString text;
        for (qsizetype i = line; i < qMin(line + 16, bytes.size()); ++i) {
            const auto b = static_cast<unsigned char>(bytes.at(i));
            if (i > line)
                hex += (i - line == 8) ? QStringLiteral("  ") : QStringLiteral(" ");
            hex += QLatin1Char(kHex[b >> 4]);
            hex += QLatin1Char(kHex[b & 0x0F]);
            text += (b >= 0x20 && b < 0x7F) ? QLatin1Char(char(b)) : QLatin1Char('.');
        }
        if (ascii) {
            // The text column starts at the same place on every line.
            hex = hex.leftJustified(16 * 3, u' ');
            hex += QStringLiteral("   ") + text;
        }
        out += hex + eol;
    }
    return out;
}

} // namespace

void hs1::InitHmac(const QByteArray &key)
{
    m_key = key;
}

QByteArray hs1::HmacSha1(const QByteArray &data)
{
    if (!m_key)
        throw ToolkitError(ErrNoKey, QStringLiteral("HS1.HmacSha1"),
                           QStringLiteral("No key set, call InitHmac first"));
    const QByteArray key = *m_key;
    m_key.reset();
    return QMessageAuthenticationCode::hash(data, key, QCryptographicHash::Sha1);
}

QByteArray hs1::ToUTF8(const QString &text)
{
    return text.toUtf8();
}

QString hs1::Encode(const QByteArray &bytes, int format, int folding)
{
    const QString eol = folding == LfOnly     ? QStringLiteral("\n")
                        : folding == NoBreaks ? QString()
                                              : QStringLiteral("\r\n");
    // Nothing to encode gives no text, not even a line end.
    if (bytes.isEmpty() && format >= Base64 && format <= HexRaw)
        return {};
    switch (format) {
    case Base64:
        return base64Lines(bytes, eol);
    case Hex:
        return hexLines(bytes, false, false, eol);
    case HexAscii:
        return hexLines(bytes, true, false, eol);
    case HexAddr:
        return hexLines(bytes, false, true, eol);
    case HexAsciiAddr:
        return hexLines(bytes, true, true, eol);
    case HexRaw:
        return QString::fromLatin1(bytes.toHex()) + eol;
    default:
        throw ToolkitError(ErrEncodeLength, QStringLiteral("HS1.Encode"),
                           QStringLiteral("Failed to determine encoded length, system error %1")
                               .arg(kErrorInvalidParameter));
    }
}

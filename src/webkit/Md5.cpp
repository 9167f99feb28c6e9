#include "webkit/Md5.h"

#include "webkit/Ansi.h"

#include <QCryptographicHash>

#include <stdexcept>

QString Md5HexOfBytes(const QByteArray &bytes)
{
    // The bit length was kept in 32 bits; longer input is refused rather than
    // silently hashed differently.
    if (bytes.size() >= 0x0FFFFFFF)
        throw std::overflow_error("Md5Hex: input too long");
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toUpper());
}

QString Md5Hex(const QString &text)
{
    return Md5HexOfBytes(Ansi::fromUnicode(text));
}

#pragma once

#include "webkit/ToolkitError.h"

#include <QByteArray>
#include <QString>

#include <optional>

// HMAC-SHA1 and the byte-to-text encodings the OAuth 1.0 signature needs.
// A key is good for exactly one digest: InitHmac, then one HmacSha1, which
// forgets the key whether it succeeds or not. Failures raise ToolkitError
// with the source "HS1.<operation>".
class hs1
{
public:
    // Error numbers raised by this class.
    static constexpr quint32 ErrNoKey = 0x8004D322;
    static constexpr quint32 ErrEncodeLength = 0x8004D30A;

    enum Format
    {
        Base64 = 0,
        Hex = 1,
        HexAscii = 2,
        HexAddr = 3,
        HexAsciiAddr = 4,
        HexRaw = 5
    };
    enum Folding
    {
        CrLf = 0,
        LfOnly = 1,
        NoBreaks = 2
    };

    // The HMAC-SHA1 (20 bytes) of `data` under the key of the last InitHmac.
    QByteArray HmacSha1(const QByteArray &data);
    void InitHmac(const QByteArray &key);

    static QByteArray ToUTF8(const QString &text);

    // `bytes` as text in one of the six layouts (see Format), lines ended as
    // `folding` says. Base64 breaks lines every 64 characters; the hex
    // layouts put 16 bytes on a line, lower-case, with the ASCII column and
    // 4-digit addresses where named; raw hex is one line. Every layout ends
    // its last line too, unless `folding` is NoBreaks. An unknown format
    // raises 0x8004D30A.
    static QString Encode(const QByteArray &bytes, int format, int folding);

private:
    std::optional<QByteArray> m_key;
};

#pragma once

#include <QByteArray>
#include <QString>

// The MD5 digest of `text`'s Windows-1252 bytes as 32 upper-case hex digits.
// Texts of 0x0FFFFFFF bytes or more are refused with std::overflow_error.
QString Md5Hex(const QString &text);

// The same digest over raw bytes: what Md5Hex gives for a text made of one
// character per byte. The photo set hashes file samples this way.
QString Md5HexOfBytes(const QByteArray &bytes);

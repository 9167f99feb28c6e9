#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252 stands in for the user's ANSI code page wherever the program
// turns text into bytes one character per byte (percent-encoding, MD5,
// Base64). Characters the code page lacks become "?".
namespace Ansi {

QByteArray fromUnicode(QStringView text);
QString toUnicode(const QByteArray &bytes);

// One character per byte, code = byte value (0-255), the way the program
// carries raw file bytes in text. fromUnicode(latin1Chars(b)) is not b in
// general; use rawBytes() to get them back.
QString latin1Chars(const QByteArray &bytes);

} // namespace Ansi

#pragma once

#include <QString>

// Percent-encoding as the OAuth 1.0 signature needs it: only ".", "-", "_"
// and ASCII letters and digits pass; every other character becomes its
// Windows-1252 byte as "%XX" (upper-case hex). Characters the code page lacks
// become "?" first, so "%3F". A space is "%20", never "+".
QString UrlEncode(const QString &text);

// "+" becomes a blank, "%XX" becomes the Windows-1252 character with that
// code; a "%" not followed by two hex digits stays as it is.
QString UrlDecode(const QString &text);

// Escapes the five XML special characters; an entity already present is
// escaped again ("&lt;" becomes "&amp;lt;").
QString XmlEscape(const QString &text);

// The value of a hexadecimal digit (either case); -1 for any other character.
int hexDigitValue(QChar c);

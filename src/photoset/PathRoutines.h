#pragma once

#include <QString>

// Path helpers shared by the photo set and the destinations. Both "/" and
// "\" count as separators, so paths typed the Windows way behave too.

// The text after the last separator; the whole path when it holds none.
QString JustFileName(const QString &path);

// The extension: with `withDot`, from the last "." to the end, dot included;
// without, the text after the last ".". Empty when the path holds no ".".
QString JustFileExtn(const QString &path, bool withDot);

// What PathExists checks for.
namespace PathKind {
inline constexpr int File = 0;
inline constexpr int Folder = 16;
} // namespace PathKind

// False for an empty path. File: an existing entry (hidden ones too) and the
// path does not end with a separator. Folder: an existing folder. Any other
// kind: true.
bool PathExists(const QString &path, int kind);

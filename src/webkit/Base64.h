#pragma once

#include <QString>

// The lenient Base64 reader of the sync-folder locator. Line breaks are
// ignored; any byte outside the alphabet (a space, "=") counts as 0 rather
// than failing; the padding count is guessed from the "=" anywhere in the
// text. Only a length that is not a multiple of 4 fails, with ToolkitError
// 0x80040000 "Input string is not valid Base64.". Bytes come back as
// Windows-1252 characters, one per byte.
class Base64
{
public:
    static constexpr quint32 ErrInvalid = 0x80040000;

    Base64();
    QString Decode(const QString &text) const;

private:
    unsigned char m_table[256];
};

#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Short spelling for the many non-ASCII literals in tests: s(u"café €").
inline QString s(const char16_t *text)
{
    return QString::fromUtf16(text);
}

// A whole file's bytes; empty when it cannot be read.
inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

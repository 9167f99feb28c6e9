#pragma once

#include <QString>

// A text buffer that grows in fixed steps so that building a long text one
// character at a time costs amortised constant time per character. Sizes are
// counted in bytes, two per character, as the original buffer was.
class cStringBuilder
{
public:
    static constexpr qint32 GrowthStep = 16384; // bytes, i.e. 8192 characters

    void Append(QStringView text);
    QString toString() const;

    qint32 used() const { return m_used; }         // bytes in use
    qint32 capacity() const { return m_capacity; } // bytes allocated

private:
    QString m_buffer;
    qint32 m_used = 0;
    qint32 m_capacity = 0;
};

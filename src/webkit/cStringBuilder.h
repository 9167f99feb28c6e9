#pragma once

#include <QString>

// A text buffer that grows in fixed steps so that building a long text one
// character at a time costs amortised constant time per character. Sizes are
// counted in bytes, two per character, as the original buffer was; they are
// 64-bit, so a text past 2^31 bytes neither wraps nor truncates.
class cStringBuilder
{
public:
    static constexpr qsizetype GrowthStep = 16384; // bytes, i.e. 8192 characters

    // The capacity that holds `needed` bytes: the next whole number of steps.
    static constexpr qsizetype capacityFor(qsizetype needed)
    {
        return (needed + GrowthStep - 1) / GrowthStep * GrowthStep;
    }

    void Append(QStringView text);
    QString toString() const;

    qsizetype used() const { return m_used; }         // bytes in use
    qsizetype capacity() const { return m_capacity; } // bytes allocated

private:
    QString m_buffer;
    qsizetype m_used = 0;
    qsizetype m_capacity = 0;
};

#include "webkit/cStringBuilder.h"

#include <algorithm>

void cStringBuilder::Append(QStringView text)
{
    const qsizetype needed = m_used + text.size() * 2;
    if (needed > m_capacity) {
        m_capacity = capacityFor(needed);
        m_buffer.resize(m_capacity / 2, u' ');
    }
    std::copy(text.begin(), text.end(), m_buffer.begin() + m_used / 2);
    m_used = needed;
}

QString cStringBuilder::toString() const
{
    return m_used > 0 ? m_buffer.left(m_used / 2) : QString();
}

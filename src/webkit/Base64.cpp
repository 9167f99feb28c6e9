#include "webkit/Base64.h"

#include "webkit/Ansi.h"
#include "webkit/ToolkitError.h"

Base64::Base64()
{
    for (int i = 0; i < 256; ++i)
        m_table[i] = 0;
    for (int i = 0; i < 26; ++i) {
        m_table['A' + i] = static_cast<unsigned char>(i);
        m_table['a' + i] = static_cast<unsigned char>(26 + i);
    }
    for (int i = 0; i < 10; ++i)
        m_table['0' + i] = static_cast<unsigned char>(52 + i);
    m_table[static_cast<unsigned char>('+')] = 62;
    m_table[static_cast<unsigned char>('/')] = 63;
}

QString Base64::Decode(const QString &text) const
{
    QString clean = text;
    clean.remove(u'\r');
    clean.remove(u'\n');
    if (clean.size() % 4 != 0)
        throw ToolkitError(ErrInvalid, QStringLiteral("MyDecode"),
                           QStringLiteral("Input string is not valid Base64."));

    const int padding = clean.contains(QStringLiteral("==")) ? 2 : clean.contains(u'=') ? 1 : 0;
    const QByteArray in = Ansi::fromUnicode(clean);
    QByteArray out;
    out.reserve(in.size() / 4 * 3);
    for (qsizetype i = 0; i + 3 < in.size(); i += 4) {
        const auto d = [&](qsizetype k) {
            return quint32(m_table[static_cast<unsigned char>(in.at(i + k))]);
        };
        const quint32 v = (d(0) << 18) | (d(1) << 12) | (d(2) << 6) | d(3);
        out.append(char((v >> 16) & 0xFF));
        out.append(char((v >> 8) & 0xFF));
        out.append(char(v & 0xFF));
    }
    QString decoded = Ansi::toUnicode(out);
    decoded.chop(qMin<qsizetype>(padding, decoded.size()));
    return decoded;
}

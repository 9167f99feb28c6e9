#include "photoset/GifWriter.h"

#include <QList>

#include <algorithm>
#include <vector>

namespace {

void putWord(QByteArray &out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

// Packs variable-width LZW codes into GIF's 255-byte sub-blocks.
class CodeWriter
{
public:
    explicit CodeWriter(QByteArray &out) : m_out(out) {}

    void put(int code, int width)
    {
        m_bits |= quint32(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            byte(char(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }

    void finish()
    {
        if (m_count > 0)
            byte(char(m_bits & 0xFF));
        flushBlock();
        m_out.append('\0'); // block terminator
    }

private:
    void byte(char b)
    {
        m_block.append(b);
        if (m_block.size() == 255)
            flushBlock();
    }
    void flushBlock()
    {
        if (m_block.isEmpty())
            return;
        m_out.append(char(m_block.size()));
        m_out.append(m_block);
        m_block.clear();
    }

    QByteArray &m_out;
    QByteArray m_block;
    quint32 m_bits = 0;
    int m_count = 0;
};

void compress(QByteArray &out, const QImage &indexed)
{
    constexpr int kMinCodeSize = 8;
    constexpr int kClear = 1 << kMinCodeSize;
    constexpr int kEnd = kClear + 1;
    constexpr int kMaxCode = 4095;

    out.append(char(kMinCodeSize));
    CodeWriter codes(out);
    // next[prefix * 256 + byte] = code of that string, 0 when unknown.
    std::vector<quint16> next(size_t(kMaxCode + 1) * 256, 0);
    int width = kMinCodeSize + 1;
    int free = kEnd + 1;
    codes.put(kClear, width);

    int prefix = -1;
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar *row = indexed.constScanLine(y);
        for (int x = 0; x < indexed.width(); ++x) {
            const int c = row[x];
            if (prefix < 0) {
                prefix = c;
                continue;
            }
            quint16 &slot = next[size_t(prefix) * 256 + c];
            if (slot) {
                prefix = slot;
                continue;
            }
            codes.put(prefix, width);
            slot = quint16(free);
            if (free >= (1 << width))
                ++width;
            if (free == kMaxCode) {
                // The table is full: start over rather than emit longer codes.
                codes.put(kClear, width);
                std::fill(next.begin(), next.end(), 0);
                width = kMinCodeSize + 1;
                free = kEnd + 1;
            } else {
                ++free;
            }
            prefix = c;
        }
    }
    if (prefix >= 0)
        codes.put(prefix, width);
    codes.put(kEnd, width);
    codes.finish();
}

} // namespace

QByteArray encodeGif(const QImage &image)
{
    if (image.isNull() || image.width() > 0xFFFF || image.height() > 0xFFFF)
        return {};

    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    bool hasTransparency = false;
    if (argb.hasAlphaChannel()) {
        for (int y = 0; y < argb.height() && !hasTransparency; ++y) {
            const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
            for (int x = 0; x < argb.width(); ++x) {
                if (qAlpha(row[x]) < 128) {
                    hasTransparency = true;
                    break;
                }
            }
        }
    }

    QImage indexed = argb.convertToFormat(QImage::Format_RGB32)
                         .convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither | Qt::PreferDither);
    if (indexed.isNull())
        return {};
    QList<QRgb> palette = indexed.colorTable();
    int transparentIndex = -1;
    if (hasTransparency) {
        if (palette.size() < 256) {
            transparentIndex = int(palette.size());
            palette.append(0);
        } else {
            // Give up the least-used colour for transparency; its few pixels
            // take the nearest remaining colour.
            std::vector<qint64> uses(256, 0);
            for (int y = 0; y < indexed.height(); ++y) {
                const uchar *row = indexed.constScanLine(y);
                for (int x = 0; x < indexed.width(); ++x)
                    ++uses[row[x]];
            }
            transparentIndex = int(std::min_element(uses.begin(), uses.end()) - uses.begin());
            const QRgb lost = palette[transparentIndex];
            int nearest = transparentIndex == 0 ? 1 : 0;
            auto distance = [lost](QRgb c) {
                const int r = qRed(c) - qRed(lost), g = qGreen(c) - qGreen(lost), b = qBlue(c) - qBlue(lost);
                return r * r + g * g + b * b;
            };
            for (int i = 0; i < palette.size(); ++i) {
                if (i != transparentIndex && distance(palette[i]) < distance(palette[nearest]))
                    nearest = i;
            }
            for (int y = 0; y < indexed.height(); ++y) {
                uchar *row = indexed.scanLine(y);
                for (int x = 0; x < indexed.width(); ++x) {
                    if (row[x] == transparentIndex)
                        row[x] = uchar(nearest);
                }
            }
        }
        for (int y = 0; y < indexed.height(); ++y) {
            const auto *src = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
            uchar *row = indexed.scanLine(y);
            for (int x = 0; x < indexed.width(); ++x) {
                if (qAlpha(src[x]) < 128)
                    row[x] = uchar(transparentIndex);
            }
        }
    }

    // The global colour table holds a power of two entries, at least 2.
    int bits = 1;
    while ((1 << bits) < palette.size())
        ++bits;

    QByteArray out;
    out.reserve(indexed.width() * indexed.height() / 2 + 1024);
    out.append("GIF89a");
    putWord(out, indexed.width());
    putWord(out, indexed.height());
    out.append(char(0x80 | ((bits - 1) << 4) | (bits - 1))); // global table, its size
    out.append('\0');                                        // background colour
    out.append('\0');                                        // square pixels
    for (int i = 0; i < (1 << bits); ++i) {
        const QRgb c = i < palette.size() ? palette[i] : 0;
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    if (transparentIndex >= 0) {
        out.append("\x21\xF9\x04", 3); // graphic control extension
        out.append(char(0x01));        // transparent colour given
        putWord(out, 0);               // no delay
        out.append(char(transparentIndex));
        out.append('\0');
    }
    out.append(',');
    putWord(out, 0);
    putWord(out, 0);
    putWord(out, indexed.width());
    putWord(out, indexed.height());
    out.append('\0'); // no local table, not interlaced
    compress(out, indexed);
    out.append(';');
    return out;
}

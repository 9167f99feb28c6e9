#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRandomGenerator>
#include <QSize>

namespace testimages {

// A small noisy gradient, different for every seed, so that images never
// collide by accident.
inline QImage noisyImage(QSize size, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int noise = int(rng.bounded(32u));
            line[x] = qRgb((x * 255 / size.width() + noise) & 0xFF, (y * 255 / size.height() + noise) & 0xFF,
                           int(seed * 37 + unsigned(noise)) & 0xFF);
        }
    }
    return image;
}

// Qt reads GIF but cannot write it: a plain encoder with a grey palette
// whose LZW stream is reset before codes grow past nine bits.
inline QByteArray gif(const QImage &image)
{
    QByteArray out("GIF89a");
    auto word = [&out](int v) {
        out += char(v & 0xFF);
        out += char((v >> 8) & 0xFF);
    };
    word(image.width());
    word(image.height());
    out += char(0xF7); // global colour table of 256 entries
    out += char(0);
    out += char(0);
    for (int i = 0; i < 256; ++i)
        out += QByteArray(3, char(i));
    out += ',';
    word(0);
    word(0);
    word(image.width());
    word(image.height());
    out += char(0);
    out += char(8); // minimum code size

    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            data += char(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    };
    int sinceClear = 0;
    put(256);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (sinceClear == 254) {
                put(256);
                sinceClear = 0;
            }
            put(qGray(image.pixel(x, y)));
            ++sinceClear;
        }
    }
    put(257);
    if (count > 0)
        data += char(bits & 0xFF);
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out += char(block.size());
        out += block;
    }
    out += char(0);
    out += ';';
    return out;
}

// The image encoded as `format` ("png", "jpg", "gif", "bmp", "tiff", "ico").
inline QByteArray encoded(const char *format, QSize size = QSize(24, 16), quint32 seed = 1)
{
    if (QByteArray(format) == "gif")
        return gif(noisyImage(size, seed));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    noisyImage(size, seed).save(&buffer, format, format == QByteArray("jpg") ? 90 : -1);
    return bytes;
}

} // namespace testimages

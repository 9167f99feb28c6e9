#pragma once

#include "photoset/GifWriter.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRandomGenerator>
#include <QSize>
#include <QtEndian>

#include <zlib.h>

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

// `image` in a file format Qt names ("png", "jpg", "jpeg", "gif", "bmp", "tiff", "ico").
inline QByteArray encodedImage(const QImage &image, const char *format)
{
    if (QByteArray(format) == "gif")
        return encodeGif(image); // Qt has no GIF writer
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, format == QByteArray("jpg") ? 90 : -1);
    return bytes;
}

inline QByteArray encoded(const char *format, QSize size = QSize(24, 16), quint32 seed = 1)
{
    return encodedImage(noisyImage(size, seed), format);
}

// A grey JPEG of `width` x `height` pixels, every block flat. Written by hand
// (one-symbol Huffman tables: two bits a block) so that photos of hundreds
// of megapixels cost a few hundred kilobytes and no encoding time.
inline QByteArray flatJpeg(int width, int height)
{
    QByteArray b;
    auto put16 = [&b](int v) {
        b.append(char(v >> 8));
        b.append(char(v & 0xFF));
    };
    b.append("\xFF\xD8", 2);
    b.append("\xFF\xDB", 2); // quantisation table 0, all ones
    put16(67);
    b.append(char(0));
    b.append(QByteArray(64, char(1)));
    b.append("\xFF\xC0", 2); // baseline frame, one component
    put16(11);
    b.append(char(8));
    put16(height);
    put16(width);
    b.append("\x01\x01\x11\x00", 4);
    for (char table : {char(0x00), char(0x10)}) { // DC and AC: one code, "0", for symbol 0
        b.append("\xFF\xC4", 2);
        put16(20);
        b.append(table);
        b.append(char(1));
        b.append(QByteArray(15, char(0)));
        b.append(char(0));
    }
    b.append("\xFF\xDA", 2);
    put16(8);
    b.append("\x01\x01\x00\x00\x3F\x00", 6);
    const qint64 blocks = qint64((width + 7) / 8) * ((height + 7) / 8);
    const qint64 bits = 2 * blocks; // DC difference 0, then end of block
    QByteArray data((bits + 7) / 8, char(0));
    if (bits % 8)
        data[data.size() - 1] = char((1 << (8 - bits % 8)) - 1); // padded with ones
    b.append(data);
    b.append("\xFF\xD9", 2);
    return b;
}

// One PNG chunk: length, type, data and the CRC over type and data.
inline QByteArray pngChunk(const char *type, const QByteArray &data)
{
    QByteArray c(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), c.data());
    c.append(type, 4).append(data);
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(
        quint32(crc32(0, reinterpret_cast<const Bytef *>(c.constData() + 4), uInt(c.size() - 4))),
        crc.data());
    return c + crc;
}

// A whole grey PNG of `width` x `height` (two bits a pixel, all black), made
// row by row so that its pixels never sit in memory.
inline QByteArray blackPng(int width, int height)
{
    QByteArray header(8, '\0');
    qToBigEndian<quint32>(quint32(width), header.data());
    qToBigEndian<quint32>(quint32(height), header.data() + 4);
    header.append("\x02\x00\x00\x00\x00", 5); // depth 2, grey, deflate, no filter, no interlace

    const QByteArray row((width * 2 + 7) / 8 + 1, char(0)); // filter byte, then the pixels
    z_stream z{};
    deflateInit(&z, Z_BEST_SPEED);
    QByteArray packed;
    QByteArray out(1 << 16, Qt::Uninitialized);
    for (int y = 0; y < height; ++y) {
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(row.constData()));
        z.avail_in = uInt(row.size());
        const int flush = y + 1 == height ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = reinterpret_cast<Bytef *>(out.data());
            z.avail_out = uInt(out.size());
            deflate(&z, flush);
            packed.append(out.constData(), out.size() - qsizetype(z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", packed) +
           pngChunk("IEND", {});
}

} // namespace testimages

#pragma once

#include "photoset/GifWriter.h"

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

} // namespace testimages

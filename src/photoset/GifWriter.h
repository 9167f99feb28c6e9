#pragma once

#include <QByteArray>
#include <QImage>

// A GIF89a file of `image`: one frame, at most 256 colours chosen for the
// picture (dithered), mostly transparent pixels kept transparent. Qt reads
// GIF but cannot write it, and a scaled GIF photo must stay a GIF. Empty on
// failure.
QByteArray encodeGif(const QImage &image);

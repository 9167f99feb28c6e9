#pragma once

#include <QByteArray>
#include <QString>

// The bytes a photo goes out with, and the name it goes out under. The same
// preparation as the Zip export (PrepareImage): scaled to the upload size
// in the photo's own format, the original file never touched; size 0 sends
// the file's own bytes. Runs on any thread.
//
// The engine calls this from its worker tasks. When the photo set's shared
// worker-pipeline helper lands, the engine's pool moves onto it and this
// stays the one step it runs per photo.
struct PreparedPhoto
{
    QByteArray bytes; // empty when the file cannot be read
    QString fileName;
};

PreparedPhoto preparePhoto(const QString &path, int uploadSize);

#pragma once

#include <QString>
#include <QStringList>

// The HTML of a row of thumbnails for the sandbox page: the photos an upload
// stand-in kept, each under its name.
QString thumbnailRow(const QString &service, const QStringList &files);

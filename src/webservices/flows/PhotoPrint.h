#pragma once

#include <QPageLayout>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;

// Local printing's layout: one photo per page, as large as the page allows
// without cropping, centred, on a page turned the photo's way.

// Landscape for a photo wider than tall, portrait otherwise.
QPageLayout::Orientation PrintOrientation(const QSize &photo);

// Where a photo of size `photo` goes on a page whose printable area is
// `page`: scaled to fit (up or down) with its proportions kept, centred.
// Empty for an empty photo.
QRectF FitPhoto(const QSize &photo, const QRectF &page);

// Prints `paths` onto `device`, one page each in the order given, turning
// each page the photo's way (EXIF orientation applied). A file that cannot
// be read stops the print; `error` names it. The device may be a printer or
// a PDF writer.
bool PrintPhotos(QPagedPaintDevice &device, const QStringList &paths, QString *error = nullptr);

// The same pages written to the PDF file `pdfPath` (A4 unless the locale
// prefers Letter).
bool PrintPhotosToPdf(const QString &pdfPath, const QStringList &paths, QString *error = nullptr);

#include "webservices/flows/PhotoPrint.h"

#include <QImageReader>
#include <QLocale>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QtMath>

QPageLayout::Orientation PrintOrientation(const QSize &photo)
{
    return photo.width() > photo.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
}

QRectF FitPhoto(const QSize &photo, const QRectF &page)
{
    if (photo.isEmpty() || page.isEmpty())
        return {};
    const QSizeF fitted = QSizeF(photo).scaled(page.size(), Qt::KeepAspectRatio);
    QRectF target(QPointF(), fitted);
    target.moveCenter(page.center());
    return target;
}

namespace {

bool readPhoto(const QString &path, QImage *image, QString *error)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (reader.read(image))
        return true;
    if (error)
        *error = QStringLiteral("cannot read %1: %2").arg(path, reader.errorString());
    return false;
}

} // namespace

bool PrintPhotos(QPagedPaintDevice &device, const QStringList &paths, QString *error)
{
    if (paths.isEmpty()) {
        if (error)
            *error = QStringLiteral("no photos to print");
        return false;
    }
    // Each page is turned before it begins, so the first photo is read
    // before the painter opens the first page.
    QImage photo;
    if (!readPhoto(paths.first(), &photo, error))
        return false;
    device.setPageOrientation(PrintOrientation(photo.size()));
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error)
            *error = QStringLiteral("the printer could not start");
        return false;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (i > 0) {
            if (!readPhoto(paths.at(i), &photo, error)) {
                painter.end();
                return false;
            }
            device.setPageOrientation(PrintOrientation(photo.size()));
            device.newPage();
        }
        // The painter starts at the printable area's corner; the area itself
        // follows the page's turn.
        const QRectF page(QPointF(),
                          QSizeF(device.pageLayout().paintRectPixels(device.logicalDpiX()).size()));
        const QRectF target = FitPhoto(photo.size(), page);
        // More pixels than the device prints only make the file bigger and
        // the printer slower.
        if (photo.width() > qCeil(target.width()) || photo.height() > qCeil(target.height()))
            photo = photo.scaled(qCeil(target.width()), qCeil(target.height()), Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
        painter.drawImage(target, photo);
    }
    return painter.end();
}

bool PrintPhotosToPdf(const QString &pdfPath, const QStringList &paths, QString *error)
{
    QPdfWriter pdf(pdfPath);
    pdf.setCreator(QStringLiteral("Flazz"));
    pdf.setResolution(300);
    const bool letter = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
    pdf.setPageSize(QPageSize(letter ? QPageSize::Letter : QPageSize::A4));
    pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    return PrintPhotos(pdf, paths, error);
}

#include "webservices/flows/PhotoPrint.h"

#include "support/TestEnvironment.h"
#include "support/TestText.h"

#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// What a PDF page shows: its size in points and the pixel size of the
// photos drawn on it.
struct PdfPage
{
    QSizeF media;
    QList<QSize> images;
};

// Each page's media box and the pixel sizes of its images, read in file
// order: Qt's PDF writer puts a page's images just before the page itself.
QList<PdfPage> readPdfPages(const QByteArray &pdf)
{
    static const QRegularExpression item(
        QStringLiteral(R"(/Width (\d+)\s*/Height (\d+)|/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])"));
    QList<PdfPage> pages(1);
    for (auto it = item.globalMatch(QString::fromLatin1(pdf)); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(3).isEmpty()) {
            pages.last().images << QSize(m.captured(1).toInt(), m.captured(2).toInt());
        } else {
            pages.last().media = QSizeF(m.captured(3).toDouble(), m.captured(4).toDouble());
            pages.append(PdfPage());
        }
    }
    pages.removeLast();
    return pages;
}

QString writePhoto(TestEnvironment &env, const QString &name, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    const QString path = env.path(name);
    EXPECT_TRUE(image.save(path));
    return path;
}

TEST(PhotoPrint, OrientationFollowsThePhotoAndThePhotoFillsThePageCentred)
{
    EXPECT_EQ(PrintOrientation(QSize(300, 200)), QPageLayout::Landscape);
    EXPECT_EQ(PrintOrientation(QSize(200, 300)), QPageLayout::Portrait);
    EXPECT_EQ(PrintOrientation(QSize(250, 250)), QPageLayout::Portrait);

    const QRectF page(0, 0, 1000, 700);
    EXPECT_EQ(FitPhoto(QSize(300, 200), page), QRectF(0, 16.666666666666686, 1000, 666.6666666666666));
    EXPECT_EQ(FitPhoto(QSize(100, 100), page), QRectF(150, 0, 700, 700)); // enlarged to fit
    EXPECT_EQ(FitPhoto(QSize(4000, 1000), page), QRectF(0, 225, 1000, 250));
    EXPECT_TRUE(FitPhoto(QSize(0, 10), page).isEmpty());
}

TEST(PhotoPrint, ThreePhotosMakeThreePagesInSetOrderEachTurnedItsWay)
{
    TestEnvironment env;
    const QStringList photos = {writePhoto(env, s(u"wide.png"), QSize(300, 200)),
                                writePhoto(env, s(u"tall.png"), QSize(120, 360)),
                                writePhoto(env, s(u"strip.png"), QSize(400, 100))};
    const QString pdf = env.path(s(u"out.pdf"));
    QString problem;
    ASSERT_TRUE(PrintPhotosToPdf(pdf, photos, &problem)) << qPrintable(problem);

    const QList<PdfPage> pages = readPdfPages(readBytes(pdf));
    ASSERT_EQ(pages.size(), 3);
    const QList<QSize> expected = {QSize(300, 200), QSize(120, 360), QSize(400, 100)};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pages[i].images, QList<QSize>{expected[i]});
        EXPECT_EQ(pages[i].media.width() > pages[i].media.height(), i != 1);
    }

    // An unreadable photo stops the print and says which.
    EXPECT_FALSE(PrintPhotosToPdf(pdf, {photos[0], env.path(s(u"gone.png"))}, &problem));
    EXPECT_TRUE(problem.contains(s(u"gone.png")));
}

} // namespace

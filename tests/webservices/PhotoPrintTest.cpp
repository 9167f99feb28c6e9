#include "webservices/flows/PhotoPrint.h"

#include "support/TestEnvironment.h"
#include "support/TestText.h"

#include <QImage>
#include <QMap>
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

// Just enough of a PDF reader for the files Qt writes: the page tree's kids
// in order, each page's media box and the images its resources name.
QList<PdfPage> readPdfPages(const QByteArray &pdf)
{
    QMap<int, QByteArray> objects;
    static const QRegularExpression objectRe(QStringLiteral("(\\d+) 0 obj(.*?)endobj"),
                                             QRegularExpression::DotMatchesEverythingOption);
    const QString text = QString::fromLatin1(pdf);
    for (auto it = objectRe.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        // Streams are binary; only the dictionary in front of them counts.
        QString body = m.captured(2);
        const qsizetype stream = body.indexOf(QStringLiteral("stream"));
        objects.insert(m.captured(1).toInt(), (stream < 0 ? body : body.left(stream)).toLatin1());
    }
    auto ref = [](const QByteArray &dict, const char *key) {
        const QRegularExpression re(QStringLiteral("/%1\\s+(\\d+) 0 R").arg(QLatin1String(key)));
        return re.match(QString::fromLatin1(dict)).captured(1).toInt();
    };
    QList<PdfPage> pages;
    for (const QByteArray &object : std::as_const(objects)) {
        if (!object.contains("/Type /Pages"))
            continue;
        const auto kids =
            QRegularExpression(QStringLiteral("/Kids\\s*\\[([^\\]]*)\\]")).match(QString::fromLatin1(object));
        for (auto it = QRegularExpression(QStringLiteral("(\\d+) 0 R")).globalMatch(kids.captured(1));
             it.hasNext();) {
            const QByteArray page = objects.value(it.next().captured(1).toInt());
            PdfPage p;
            const auto box =
                QRegularExpression(QStringLiteral("/MediaBox\\s*\\[\\s*[\\d.]+ [\\d.]+ ([\\d.]+) ([\\d.]+)"))
                    .match(QString::fromLatin1(page));
            p.media = QSizeF(box.captured(1).toDouble(), box.captured(2).toDouble());
            QByteArray resources = page;
            if (const int r = ref(page, "Resources"))
                resources = objects.value(r);
            const auto xobjects = QRegularExpression(QStringLiteral("/XObject\\s*<<(.*?)>>"),
                                                     QRegularExpression::DotMatchesEverythingOption)
                                      .match(QString::fromLatin1(resources));
            for (auto im = QRegularExpression(QStringLiteral("(\\d+) 0 R")).globalMatch(xobjects.captured(1));
                 im.hasNext();) {
                const QString image = QString::fromLatin1(objects.value(im.next().captured(1).toInt()));
                const auto w = QRegularExpression(QStringLiteral("/Width (\\d+)")).match(image);
                const auto h = QRegularExpression(QStringLiteral("/Height (\\d+)")).match(image);
                if (image.contains(QStringLiteral("/Subtype /Image")) && w.hasMatch())
                    p.images << QSize(w.captured(1).toInt(), h.captured(1).toInt());
            }
            pages << p;
        }
    }
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
    const QStringList photos = {writePhoto(env, QStringLiteral("wide.png"), QSize(300, 200)),
                                writePhoto(env, QStringLiteral("tall.png"), QSize(120, 360)),
                                writePhoto(env, QStringLiteral("strip.png"), QSize(400, 100))};
    const QString pdf = env.path(QStringLiteral("out.pdf"));
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
    EXPECT_FALSE(PrintPhotosToPdf(pdf, {photos[0], env.path(QStringLiteral("gone.png"))}, &problem));
    EXPECT_TRUE(problem.contains(QStringLiteral("gone.png")));
}

} // namespace

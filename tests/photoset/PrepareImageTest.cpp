#include "ExportTestSupport.h"

#include "photoset/GifWriter.h"
#include "photoset/PrepareImage.h"

#include "support/TestEnvironment.h"

#include <QBuffer>

#include <gtest/gtest.h>

TEST(PrepareImage, PhotoThatFitsPassesByteForByte)
{
    const QByteArray jpeg = pictureBytes(1024, 700, "jpeg");
    bool scaled = true;
    EXPECT_EQ(PrepareImageBytes(jpeg, 1024, MetadataRule::StoryOnly, &scaled), jpeg);
    EXPECT_FALSE(scaled);
    // "Original size" never touches even a huge photo.
    const QByteArray big = pictureBytes(2000, 1500, "png");
    EXPECT_EQ(PrepareImageBytes(big, 0), big);
}

TEST(PrepareImage, LongerSideBecomesTheBoundAndAspectIsKept)
{
    const QByteArray portrait = pictureBytes(600, 900, "jpeg");
    const QSize s = sizeOf(PrepareImageBytes(portrait, 800));
    EXPECT_EQ(s.height(), 800);
    EXPECT_NEAR(s.width(), 533, 1);

    const QByteArray photo = pictureBytes(4000, 3000, "jpeg");
    EXPECT_EQ(sizeOf(PrepareImageBytes(photo, 1600)), QSize(1600, 1200));
    EXPECT_EQ(sizeOf(PrepareImageBytes(photo, 1024)), QSize(1024, 768));
    EXPECT_EQ(sizeOf(PrepareImageBytes(photo, 800)), QSize(800, 600));
}

TEST(PrepareImage, EveryFormatIsScaledAndKeepsItsFormat)
{
    for (const char *format : {"png", "gif", "bmp", "jpeg"}) {
        SCOPED_TRACE(format);
        const QByteArray original = pictureBytes(1000, 500, format);
        bool scaled = false;
        const QByteArray out = PrepareImageBytes(original, 800, MetadataRule::StoryOnly, &scaled);
        EXPECT_TRUE(scaled);
        EXPECT_EQ(PhotoFormatOf(out), PhotoFormatOf(original));
        EXPECT_EQ(sizeOf(out), QSize(800, 400));
    }
}

TEST(PrepareImage, ContentDecidesTheFormatNotTheName)
{
    TestEnvironment env;
    const QString path =
        env.writeFile(QStringLiteral("photos/really-a-png.jpg"), pictureBytes(1200, 900, "png"));
    const QByteArray out = PrepareImage(path, 800);
    EXPECT_EQ(PhotoFormatOf(out), PhotoFormat::Png);
    EXPECT_EQ(sizeOf(out), QSize(800, 600));
    EXPECT_TRUE(IsWiaImage(path));

    EXPECT_FALSE(IsWiaImage(env.writeFile(QStringLiteral("photos/notes.jpg"), "just some text, no picture")));
    EXPECT_FALSE(IsWiaImage(env.writeFile(QStringLiteral("photos/a.tif"), pictureBytes(50, 50, "tiff"))));
    EXPECT_FALSE(IsWiaImage(env.path(QStringLiteral("photos/missing.jpg"))));
    EXPECT_TRUE(PrepareImage(env.path(QStringLiteral("photos/missing.jpg")), 800).isEmpty());
}

TEST(PrepareImage, WhatCannotBeScaledGoesOutUnchanged)
{
    const QByteArray text("no picture here, just words");
    EXPECT_EQ(PrepareImageBytes(text, 800), text);
    // A JPEG whose header promises a big picture but whose data is cut off.
    QByteArray cut = pictureBytes(2000, 1500, "jpeg");
    cut.truncate(600);
    EXPECT_EQ(PrepareImageBytes(cut, 800), cut);
}

TEST(PrepareImage, RotatedPhotoStandsUprightAfterScaling)
{
    // Stored landscape: red left half, blue right half. Orientation 6 tells
    // viewers to turn it a quarter clockwise, so it shows as a portrait with
    // red at the top.
    QImage stored(1200, 600, QImage::Format_RGB32);
    stored.fill(Qt::blue);
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width() / 2; ++x)
            stored.setPixel(x, y, qRgb(255, 0, 0));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    stored.save(&buffer, "jpeg", 95);
    const QByteArray rotated = withExifOrientation(jpeg, 6);
    const QImage asViewerShowsIt = imageOf(rotated, true);
    ASSERT_EQ(asViewerShowsIt.size(), QSize(600, 1200)); // the tag was understood

    // The copy's own tag says 1, so a viewer shows its pixels as they are.
    const QImage copy = imageOf(PrepareImageBytes(rotated, 400), false);
    ASSERT_EQ(copy.size(), QSize(200, 400));
    const QColor top = copy.pixelColor(100, 50);
    const QColor bottom = copy.pixelColor(100, 350);
    EXPECT_GT(top.red(), 200);
    EXPECT_LT(top.blue(), 60);
    EXPECT_GT(bottom.blue(), 200);
    EXPECT_LT(bottom.red(), 60);
}

TEST(PrepareImage, EveryExifOrientationEndsUpAsAViewerShowsIt)
{
    // Four quarters of four colours tell every turn and mirror apart.
    QImage stored(1200, 800, QImage::Format_RGB32);
    const QRgb colours[4] = {qRgb(230, 20, 20), qRgb(20, 200, 20), qRgb(20, 20, 230), qRgb(230, 230, 20)};
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width(); ++x)
            stored.setPixel(x, y, colours[(y >= 400 ? 2 : 0) + (x >= 600 ? 1 : 0)]);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    stored.save(&buffer, "jpeg", 95);

    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QByteArray tagged = withExifOrientation(jpeg, orientation);
        const QImage viewer =
            imageOf(tagged, true).scaled(orientation >= 5 ? QSize(200, 300) : QSize(300, 200));
        const QImage copy = imageOf(PrepareImageBytes(tagged, 300), false);
        ASSERT_EQ(copy.size(), viewer.size()) << orientation;
        for (const QPoint at : {QPoint(1, 1), QPoint(3, 1), QPoint(1, 3), QPoint(3, 3)}) {
            const QPoint p(copy.width() * at.x() / 4, copy.height() * at.y() / 4);
            const QColor want = viewer.pixelColor(p);
            const QColor got = copy.pixelColor(p);
            EXPECT_LT(std::abs(want.red() - got.red()) + std::abs(want.green() - got.green()) +
                          std::abs(want.blue() - got.blue()),
                      60)
                << "orientation " << orientation << " at " << p.x() << "," << p.y();
        }
    }
}

TEST(GifWriter, RoundTripsThroughQtWithTransparency)
{
    // Noise fills the LZW table many times over, which exercises its resets.
    QImage image(300, 200, QImage::Format_ARGB32);
    quint32 seed = 12345;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            image.setPixel(x, y, qRgba(int(seed >> 24), int(seed >> 16) & 0xFF, int(seed >> 8) & 0xFF, 255));
        }
    }
    image.setPixel(7, 9, qRgba(0, 0, 0, 0));
    const QByteArray gif = encodeGif(image);
    ASSERT_TRUE(gif.startsWith("GIF89a"));
    const QImage back = imageOf(gif);
    ASSERT_EQ(back.size(), image.size());
    EXPECT_EQ(qAlpha(back.pixel(7, 9)), 0);
    EXPECT_EQ(qAlpha(back.pixel(8, 9)), 255);
    // Colours survive within what 256 dithered colours allow.
    long long error = 0;
    const QImage smooth = imageOf(pictureBytes(300, 200, "png"));
    const QImage smoothBack = imageOf(encodeGif(smooth));
    for (int y = 0; y < 200; y += 10)
        for (int x = 0; x < 300; x += 10)
            error += std::abs(qRed(smooth.pixel(x, y)) - qRed(smoothBack.pixel(x, y)));
    EXPECT_LT(error / (20 * 30), 24);
}

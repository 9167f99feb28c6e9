#include "ExportTestSupport.h"

#include "photoset/GifWriter.h"
#include "photoset/PrepareImage.h"

#include "imaging/TestImages.h"
#include "support/TaggedPhoto.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

// A photo that fits, "Original size", and bytes that cannot be scaled (words;
// a JPEG whose header promises a big picture but whose data is cut off) all
// go out byte for byte.
TEST(PrepareImage, WhatFitsOrCannotBeScaledPassesByteForByte)
{
    const QByteArray jpeg = pictureBytes(1024, 700, "jpeg");
    bool scaled = true;
    EXPECT_EQ(PrepareImageBytes(jpeg, 1024, MetadataRule::StoryOnly, &scaled), jpeg);
    EXPECT_FALSE(scaled);
    const QByteArray big = pictureBytes(2000, 1500, "jpeg");
    const QByteArray text("no picture here, just words");
    for (const QByteArray &bytes : {big, text, big.left(600)})
        EXPECT_EQ(PrepareImageBytes(bytes, bytes == big ? 0 : 800), bytes);
}

// The longer side becomes the bound, the aspect is kept, and so is the format.
TEST(PrepareImage, EveryFormatIsScaledToItsBoundInItsOwnFormat)
{
    const struct
    {
        const char *format;
        QSize size;
        int bound;
        QSize expected;
    } cases[] = {
        {"jpeg", {600, 900}, 800, {533, 800}},     {"jpeg", {4000, 3000}, 1600, {1600, 1200}},
        {"jpeg", {4000, 3000}, 1024, {1024, 768}}, {"png", {1000, 500}, 800, {800, 400}},
        {"gif", {1000, 500}, 800, {800, 400}},     {"bmp", {1000, 500}, 800, {800, 400}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.format);
        const QByteArray original = pictureBytes(c.size.width(), c.size.height(), c.format);
        bool scaled = false;
        const QByteArray out = PrepareImageBytes(original, c.bound, MetadataRule::StoryOnly, &scaled);
        EXPECT_TRUE(scaled);
        EXPECT_EQ(PhotoFormatOf(out), PhotoFormatOf(original));
        EXPECT_EQ(sizeOf(out), c.expected);
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

TEST(PrepareImage, EveryExifOrientationEndsUpAsAViewerShowsIt)
{
    // Four quarters of four colours tell every turn and mirror apart.
    QImage stored(1200, 800, QImage::Format_RGB32);
    const QRgb colours[4] = {qRgb(230, 20, 20), qRgb(20, 200, 20), qRgb(20, 20, 230), qRgb(230, 230, 20)};
    for (int y = 0; y < stored.height(); ++y)
        for (int x = 0; x < stored.width(); ++x)
            stored.setPixel(x, y, colours[(y >= 400 ? 2 : 0) + (x >= 600 ? 1 : 0)]);
    const QByteArray jpeg = testimages::encodedImage(stored, "jpg");
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QByteArray tagged = tagged::withOrientation(jpeg, orientation);
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

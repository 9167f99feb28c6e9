#include "imaging/TestImages.h"
#include "imaging/cGDIpImage.h"
#include "imaging/cGDIpToken.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using testimages::encoded;

namespace {

class ImageProbeTest : public ::testing::Test
{
protected:
    QString write(const QString &name, const QByteArray &bytes) { return m_env.writeFile(name, bytes); }

    TestEnvironment m_env;
    cGDIpToken m_token;
};

TEST_F(ImageProbeTest, TypeComesFromTheDecodedContentNotTheName)
{
    struct Case
    {
        const char *format;
        int type;
    };
    const Case cases[] = {{"bmp", 1}, {"gif", 2}, {"jpg", 3}, {"png", 7}, {"tiff", 8}, {"ico", 6}};
    for (const Case &c : cases) {
        // Every file is named like a JPEG; only its bytes may tell.
        const QString path =
            write(QStringLiteral("photo-%1.jpg").arg(QLatin1String(c.format)), encoded(c.format));
        cGDIpImage image;
        ASSERT_TRUE(image.LoadPicture_FileName(path, &m_token)) << c.format;
        EXPECT_EQ(image.ImageType(), c.type) << c.format;
        EXPECT_EQ(image.size(), QSize(24, 16)) << c.format;
    }
}

TEST_F(ImageProbeTest, RefusesWhatIsNotAWholeImageButTakesAJpegWithoutItsClosingMarker)
{
    const QByteArray jpeg = encoded("jpg", QSize(320, 240));
    const QByteArray png = encoded("png", QSize(320, 240));
    const QByteArray gif = encoded("gif", QSize(320, 240));
    const QByteArray bmp = encoded("bmp", QSize(320, 240));
    struct Case
    {
        const char *name;
        QByteArray bytes;
        ImageLoadStatus status;
    };
    QByteArray garbledJpeg = jpeg;
    for (qsizetype i = jpeg.size() / 2; i < jpeg.size() / 2 + 64; ++i)
        garbledJpeg[i] = char(0xFF); // markers where entropy-coded data belongs
    const Case cases[] = {
        {"empty.jpg", QByteArray(), ImageLoadStatus::Empty},
        {"cut.jpg", jpeg.left(jpeg.size() * 2 / 3), ImageLoadStatus::Damaged},
        {"garbled.jpg", garbledJpeg, ImageLoadStatus::Damaged},
        {"cut.png", png.left(png.size() * 2 / 3), ImageLoadStatus::Damaged},
        {"cut.gif", gif.left(gif.size() * 2 / 3), ImageLoadStatus::Damaged},
        {"cut.bmp", bmp.left(bmp.size() * 2 / 3), ImageLoadStatus::Damaged},
        {"text.png", QByteArray("just some words, no picture"), ImageLoadStatus::Unrecognised},
        {"header-only.jpg", jpeg.left(3), ImageLoadStatus::Damaged},
        {"cut95.jpg", jpeg.left(jpeg.size() * 95 / 100), ImageLoadStatus::Damaged},
        {"cut99.jpg", jpeg.left(jpeg.size() * 99 / 100), ImageLoadStatus::Damaged},
    };
    for (const Case &c : cases) {
        cGDIpImage image;
        EXPECT_FALSE(image.LoadPicture_FileName(write(QLatin1String(c.name), c.bytes), &m_token)) << c.name;
        EXPECT_EQ(image.status(), c.status) << c.name;
        EXPECT_EQ(image.ImageType(), 0) << c.name;
    }
    cGDIpImage missing;
    EXPECT_FALSE(missing.LoadPicture_FileName(m_env.path(QStringLiteral("nothing.jpg")), &m_token));
    EXPECT_EQ(missing.status(), ImageLoadStatus::Unreadable);

    // Only the closing marker missing is whole enough; a failed load forgets
    // the image before.
    ASSERT_TRUE(jpeg.endsWith("\xFF\xD9"));
    cGDIpImage unclosed;
    EXPECT_TRUE(
        unclosed.LoadPicture_FileName(write(QStringLiteral("unclosed.jpg"), jpeg.chopped(2)), &m_token));
    EXPECT_EQ(unclosed.ImageType(), cGDIpImage::Jpeg);
    EXPECT_EQ(unclosed.size(), QSize(320, 240));
    EXPECT_FALSE(unclosed.LoadPicture_FileName(write(QStringLiteral("b.png"), QByteArray("nope")), &m_token));
    EXPECT_EQ(unclosed.ImageType(), 0);
}

TEST_F(ImageProbeTest, HugeImagesAreTooLargeUnlessTheyAreJpegs)
{
    // A panorama-sized PNG: a whole file, only too big to decode in memory.
    cGDIpImage panorama;
    EXPECT_FALSE(panorama.LoadPicture_FileName(
        write(QStringLiteral("pano.png"), testimages::blackPng(20000, 20000)), &m_token));
    EXPECT_EQ(panorama.status(), ImageLoadStatus::TooLarge);

    // Just under the limit still loads.
    cGDIpImage wide;
    EXPECT_TRUE(wide.LoadPicture_FileName(write(QStringLiteral("wide.png"), testimages::blackPng(8000, 4000)),
                                          &m_token));

    // JPEGs are checked at 1/8 scale: 210 megapixels pass.
    cGDIpImage big;
    ASSERT_TRUE(big.LoadPicture_FileName(write(QStringLiteral("big.jpg"), testimages::flatJpeg(16384, 12800)),
                                         &m_token));
    EXPECT_EQ(big.ImageType(), cGDIpImage::Jpeg);
    EXPECT_EQ(big.size(), QSize(16384, 12800));
}

TEST_F(ImageProbeTest, ImagesLoadOnlyWithAStartedTokenAndAreClearedWhenItGoes)
{
    const QString path = write(QStringLiteral("a.gif"), encoded("gif"));
    cGDIpToken unavailable(cGDIpToken::Startup::Unavailable);
    cGDIpImage outliving;
    EXPECT_FALSE(outliving.LoadPicture_FileName(path, &unavailable));
    EXPECT_FALSE(outliving.LoadPicture_FileName(path, nullptr));
    {
        cGDIpToken token;
        {
            cGDIpImage shortLived;
            ASSERT_TRUE(shortLived.LoadPicture_FileName(path, &token));
            ASSERT_TRUE(shortLived.LoadPicture_FileName(path, &token)); // registered once
            EXPECT_EQ(token.UserCount(), 1);
            shortLived.Clear();
            EXPECT_EQ(token.UserCount(), 1); // Clear keeps the registration
        }
        EXPECT_EQ(token.UserCount(), 0);
        ASSERT_TRUE(outliving.LoadPicture_FileName(path, &token));
        EXPECT_EQ(outliving.ImageType(), 2);
    }
    // The token cleared it on its way out; destroying it later is harmless.
    EXPECT_EQ(outliving.ImageType(), 0);
}

} // namespace

#include "imaging/PhotoMetadata.h"

#include "imaging/TestImages.h"
#include "support/TaggedPhoto.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

QByteArray encodedCopy(const QByteArray &photo, QSize size, const char *format)
{
    return testimages::encodedImage(QImage::fromData(photo).scaled(size), format);
}

void expectStoryWithoutSecrets(const QByteArray &photo, bool iptc = true)
{
    const QMap<QString, QString> keys = tagged::readBack(photo);
    for (const char *key : tagged::kSecretKeys)
        EXPECT_FALSE(keys.contains(QLatin1String(key))) << key;
    for (const char *key : tagged::kStoryKeys) {
        if (iptc || !QByteArray(key).startsWith("Iptc")) {
            EXPECT_TRUE(keys.contains(QLatin1String(key))) << key;
        }
    }
    EXPECT_EQ(keys.value(QStringLiteral("Exif.Photo.OffsetTimeOriginal")), u"+02:00");
    EXPECT_EQ(keys.value(QStringLiteral("Exif.Image.Artist")), u"Ada Example");
}

const QStringList kEverySecret{QStringLiteral("gps"),       QStringLiteral("serial"),
                               QStringLiteral("owner"),     QStringLiteral("makernote"),
                               QStringLiteral("thumbnail"), QStringLiteral("location")};

} // namespace

TEST(PhotoMetadata, AnOriginalLosesItsSecretsWithItsPictureUntouched)
{
    const QByteArray photo = tagged::jpeg(QSize(1200, 800), 6);
    const SentPhoto sent = OriginalToSend(photo, MetadataRule::StoryOnly);
    EXPECT_EQ(sent.withheld, kEverySecret);
    expectStoryWithoutSecrets(sent.bytes);
    // Not turned: the original's pixels still need the tag.
    EXPECT_EQ(tagged::readBack(sent.bytes).value(QStringLiteral("Exif.Image.Orientation")), u"6");
    EXPECT_EQ(tagged::scanData(sent.bytes), tagged::scanData(photo));
    EXPECT_TRUE(sent.bytes.endsWith("\xFF\xD9")); // the appended preview is gone

    // Nothing left to take out: the very bytes go.
    const SentPhoto again = OriginalToSend(sent.bytes, MetadataRule::StoryOnly);
    EXPECT_EQ(again.bytes, sent.bytes);
    EXPECT_TRUE(again.withheld.isEmpty());
    EXPECT_EQ(OriginalToSend(photo, MetadataRule::Everything).bytes, photo);
}

TEST(PhotoMetadata, ACopyTakesTheStoryAndStandsUpright)
{
    const QByteArray photo = tagged::jpeg(QSize(1200, 800), 6);
    const QByteArray pixels = encodedCopy(photo, QSize(400, 600), "jpeg");

    const SentPhoto story = CopyToSend(photo, pixels, MetadataRule::StoryOnly);
    EXPECT_EQ(story.withheld, kEverySecret);
    expectStoryWithoutSecrets(story.bytes);
    const QMap<QString, QString> keys = tagged::readBack(story.bytes);
    EXPECT_EQ(keys.value(QStringLiteral("Exif.Image.Orientation")), u"1");
    EXPECT_EQ(keys.value(QStringLiteral("Xmp.tiff.Orientation")), u"1");
    EXPECT_EQ(keys.value(QStringLiteral("Exif.Photo.PixelXDimension")), u"400");
    EXPECT_EQ(tagged::scanData(story.bytes), tagged::scanData(pixels));

    const QMap<QString, QString> all =
        tagged::readBack(CopyToSend(photo, pixels, MetadataRule::Everything).bytes);
    for (const char *key : tagged::kSecretKeys)
        EXPECT_TRUE(all.contains(QLatin1String(key))) << key;
    EXPECT_EQ(all.value(QStringLiteral("Exif.Image.Orientation")), u"1");
    EXPECT_GT(CopyMetadataSize(photo, MetadataRule::Everything),
              CopyMetadataSize(photo, MetadataRule::StoryOnly));
}

TEST(PhotoMetadata, PngKeepsItsStoryInItsOwnChunks)
{
    const QByteArray photo = tagged::png();
    const SentPhoto original = OriginalToSend(photo, MetadataRule::StoryOnly);
    expectStoryWithoutSecrets(original.bytes, false);
    EXPECT_EQ(QImage::fromData(original.bytes), QImage::fromData(photo));

    const QByteArray pixels = encodedCopy(photo, QSize(300, 200), "png");
    const SentPhoto copy = CopyToSend(photo, pixels, MetadataRule::StoryOnly);
    expectStoryWithoutSecrets(copy.bytes, false);
    EXPECT_EQ(QImage::fromData(copy.bytes), QImage::fromData(pixels));
}

// Metadata that cannot be read cannot be vouched for, and a container that
// does not parse is left alone rather than guessed at.
TEST(PhotoMetadata, WhatCannotBeReadDoesNotGoAlong)
{
    const QByteArray plain = encodedCopy(tagged::jpeg(), QSize(120, 80), "jpeg");
    QByteArray garbage("Exif\0\0", 6);
    garbage += QByteArray(300, '\x5A');
    const QByteArray broken = plain.left(2) + "\xFF\xE1" + char(0x01) + char(0x34) + garbage + plain.mid(2);
    const SentPhoto sent = OriginalToSend(broken, MetadataRule::StoryOnly);
    EXPECT_EQ(sent.withheld, QStringList{QStringLiteral("unreadable")});
    EXPECT_EQ(sent.bytes, plain);

    QByteArray cut = tagged::jpeg();
    cut.truncate(500); // inside the Exif segment
    EXPECT_EQ(OriginalToSend(cut, MetadataRule::StoryOnly).bytes, cut);
    EXPECT_EQ(PhotoOrientation(cut), 1);
    const QByteArray text("not a photo at all");
    EXPECT_EQ(CopyToSend(text, plain, MetadataRule::StoryOnly).bytes, plain);
}

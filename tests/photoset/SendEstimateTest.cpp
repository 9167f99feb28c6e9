#include "photoset/SendEstimate.h"
#include "photoset/PrepareImage.h"

#include "support/PhotoSetWorld.h"
#include "support/TaggedPhoto.h"

#include <QFileInfo>

#include <gtest/gtest.h>

// Where the bytes are known (the original, a photo that already fits, the
// size the set made its copy for) the estimate is exact; elsewhere it comes
// from that copy. It names what the default rule takes out.
TEST(SendEstimate, ExactWhereKnownNearElsewhereAndNamesWhatIsWithheld)
{
    PhotoSetWorld w;
    const QString camera =
        w.env.writeFile(QStringLiteral("p/camera.jpg"), tagged::jpeg(QSize(1600, 1200), 6));
    const QString plain = w.env.writeFile(QStringLiteral("p/plain.png"), tagged::png(QSize(300, 200)));
    for (const QString &path : {camera, plain})
        ASSERT_EQ(w.tray.AddChecked(clsTray::CheckPhoto(path, &w.token, 800, MetadataRule::StoryOnly), {}),
                  AddRefusal::None);
    const auto story = MetadataRule::StoryOnly;

    const SendEstimate at800 = EstimateSend(w.tray, 800, story);
    ASSERT_EQ(at800.photos.size(), 2);
    EXPECT_TRUE(at800.photos[0].exact);
    EXPECT_EQ(at800.photos[0].bytes, PrepareImage(camera, 800, story).size());
    EXPECT_EQ(at800.photos[0].size, QSize(600, 800));                         // as viewers show it
    EXPECT_EQ(at800.photos[1].bytes, PrepareImage(plain, 800, story).size()); // fits: goes as it is
    EXPECT_EQ(at800.totalBytes, at800.photos[0].bytes + at800.photos[1].bytes);
    EXPECT_EQ(at800.withheld.join(u','), u"gps,serial,owner,makernote,thumbnail,location");

    const SendEstimate original = EstimateSend(w.tray, 0, story);
    EXPECT_TRUE(original.photos[0].exact);
    EXPECT_EQ(original.photos[0].bytes, PrepareImage(camera, 0, story).size());
    EXPECT_EQ(original.photos[0].size, QSize(1200, 1600));

    const PhotoEstimate at1024 = EstimateSend(w.tray, 1024, story).photos[0];
    EXPECT_FALSE(at1024.exact);
    EXPECT_NEAR(double(at1024.bytes), double(PrepareImage(camera, 1024, story).size()),
                0.3 * double(at1024.bytes));

    const SendEstimate everything = EstimateSend(w.tray, 0, MetadataRule::Everything);
    EXPECT_TRUE(everything.withheld.isEmpty());
    EXPECT_EQ(everything.photos[0].bytes, QFileInfo(camera).size());
}

// Only a limit a service documented counts, a photo may break both, and a
// photo exactly at a limit is taken.
TEST(SendEstimate, BrokenLimitsNameEachPhotoAndLimitPastTheServicesFigures)
{
    SendEstimate estimate;
    for (const auto &[bytes, size] : {std::pair{qint64(100), QSize(10, 10)},
                                      std::pair{qint64(101), QSize(10, 11)}, std::pair{qint64(50), QSize()}})
        estimate.photos.append({.bytes = bytes, .size = size});
    using K = BrokenLimit::Kind;
    const struct
    {
        ServiceLimits limits;
        QList<std::tuple<int, K, qint64>> broken;
    } cases[] = {
        {{}, {}},
        {{.fileBytes = 100}, {{1, K::FileSize, 101}}},
        {{.pixels = 100}, {{1, K::PixelCount, 110}}}, // a size not known breaks nothing
        {{.fileBytes = 99, .pixels = 100},
         {{0, K::FileSize, 100}, {1, K::FileSize, 101}, {1, K::PixelCount, 110}}},
    };
    for (const auto &c : cases) {
        QList<std::tuple<int, K, qint64>> broken;
        for (const BrokenLimit &b : BrokenLimits(estimate, c.limits)) {
            EXPECT_EQ(b.limit, b.kind == K::FileSize ? c.limits.fileBytes : c.limits.pixels);
            broken.append({b.photo, b.kind, b.value});
        }
        EXPECT_EQ(broken, c.broken) << c.limits.fileBytes << " " << c.limits.pixels;
    }
}

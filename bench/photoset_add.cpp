// Adding photos fast: how many photos per second PhotoAdder takes into the
// photo set from a dropped folder, and the peak memory it needs.
//
//   flazz-photoset-bench --make 100 /tmp/photos     writes 100 24-megapixel JPEGs
//   flazz-photoset-bench /tmp/photos [--threads N]  adds the folder, prints figures
//
// The photos are noisy gradients, each different, so that none is refused as
// a duplicate and the JPEG decoder has real work to do. Each carries the
// metadata a camera writes (date, GPS position, serial numbers, a maker note
// and a thumbnail), so that what is done to metadata on the way out is
// measured too.

#include "BenchSupport.h"
#include "photoset/AddProgress.h"
#include "photoset/PhotoAdder.h"
#include "photoset/clsTray.h"
#include "platform/ProcessInfo.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QThread>
#include <QtConcurrent>

#include <cstdio>

#include <exiv2/exiv2.hpp>

namespace {

QImage noisyGradient(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int noise = int(state & 0x1F);
            line[x] = qRgb((x * 224 / width + noise) & 0xFF, (y * 224 / height + noise) & 0xFF,
                           int((seed * 40 + quint32(x + y) / 64 + quint32(noise)) & 0xFF));
        }
    }
    return image;
}

// `jpeg` with an Exif block as a camera leaves it, after its JFIF header.
QByteArray withCameraExif(const QByteArray &jpeg, int seed)
{
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = std::string("Canon");
    exif["Exif.Image.Model"] = std::string("Canon EOS 5D Mark III");
    exif["Exif.Image.Orientation"] = uint16_t(1);
    exif["Exif.Image.Artist"] = std::string("Bench Photographer");
    exif["Exif.Photo.DateTimeOriginal"] = std::string("2026:07:14 19:42:05");
    exif["Exif.Photo.OffsetTimeOriginal"] = std::string("+02:00");
    exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
    exif["Exif.Photo.FNumber"] = Exiv2::URational(56, 10);
    exif["Exif.Photo.BodySerialNumber"] = std::to_string(93021001234 + seed);
    exif["Exif.Canon.SerialNumber"] = uint32_t(1234567 + seed);
    exif["Exif.Canon.OwnerName"] = std::string("Bench Photographer");
    exif["Exif.GPSInfo.GPSLatitudeRef"] = std::string("N");
    exif["Exif.GPSInfo.GPSLatitude"] = std::string("52/1 22/1 1234/100");
    exif["Exif.GPSInfo.GPSLongitudeRef"] = std::string("E");
    exif["Exif.GPSInfo.GPSLongitude"] = std::string("4/1 53/1 4321/100");
    QByteArray thumbnail;
    QBuffer buffer(&thumbnail);
    buffer.open(QIODevice::WriteOnly);
    noisyGradient(160, 120, quint32(seed + 1)).save(&buffer, "JPEG", 80);
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumbnail.constData()),
                                            thumbnail.size());
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    const QByteArray payload =
        QByteArray("Exif\0\0", 6) +
        QByteArray(reinterpret_cast<const char *>(blob.data()), qsizetype(blob.size()));
    const qsizetype length = payload.size() + 2;
    const qsizetype app0End = 4 + ((uchar(jpeg[4]) << 8) | uchar(jpeg[5]));
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char(length >> 8)).append(char(length & 0xFF));
    return jpeg.left(app0End) + segment + payload + jpeg.mid(app0End);
}

int makePhotos(int count, const QString &folder)
{
    QDir().mkpath(folder);
    std::printf("writing %d 6000x4000 JPEGs to %s\n", count, qPrintable(folder));
    QList<int> seeds;
    for (int i = 0; i < count; ++i)
        seeds << i;
    QtConcurrent::blockingMap(seeds, [&folder](int i) {
        const QString path =
            QDir(folder).filePath(QStringLiteral("photo-%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        noisyGradient(6000, 4000, quint32(i + 1)).save(&buffer, "JPEG", 90);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(withCameraExif(jpeg, i));
    });
    return 0;
}

class CountingProgress : public AddProgress
{
public:
    int refused = 0;
    void open() override {}
    void close() override {}
    void fileLookedAt(const QString &) override {}
    void processEvents() override { QCoreApplication::processEvents(); }
    void fileDone(const PhotoCheck &check) override
    {
        if (check.refusal != AddRefusal::None) {
            ++refused;
            std::fprintf(stderr, "refused (%s): %s\n", qPrintable(refusalText(check.refusal)),
                         qPrintable(check.FilePath));
        }
    }
};

int addFolder(const QString &folder, int threads)
{
    BenchPhotoSet set;
    AppState &state = set.state;
    clsTray &tray = set.tray;
    BenchPrompt prompt;
    CountingProgress progress;
    PhotoAdder adder(state, prompt, progress);
    if (threads > 0)
        adder.setParallelism(threads);

    QElapsedTimer timer;
    const double cpuBefore = platform::cpuSeconds();
    timer.start();
    const PhotoAdder::Summary summary = adder.AddDropped({QDir(folder).absolutePath()}, QString());
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double cpu = platform::cpuSeconds() - cpuBefore;

    std::printf("threads:      %d\n", threads > 0 ? threads : QThread::idealThreadCount());
    std::printf("photos added: %d (looked at %d, refused %d)\n", summary.added, summary.lookedAt,
                progress.refused);
    std::printf("total size:   %.1f MiB\n", double(tray.TotalSize()) / (1024.0 * 1024.0));
    std::printf("time:         %.2f s\n", seconds);
    std::printf("photos/s:     %.1f\n", seconds > 0 ? summary.lookedAt / seconds : 0.0);
    std::printf("MiB/s:        %.1f\n",
                seconds > 0 ? double(tray.TotalSize()) / (1024.0 * 1024.0) / seconds : 0.0);
    std::printf("CPU per photo: %.0f ms\n", summary.lookedAt > 0 ? cpu * 1000 / summary.lookedAt : 0.0);
    std::printf("peak memory:  %.0f MiB\n", platform::peakMemoryMiB());
    return summary.added > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args.at(0) == u"--make")
        return makePhotos(args.at(1).toInt(), args.at(2));
    if (args.size() == 1)
        return addFolder(args.at(0), 0);
    if (args.size() == 3 && args.at(1) == u"--threads")
        return addFolder(args.at(0), args.at(2).toInt());
    std::fprintf(stderr, "usage: flazz-photoset-bench --make N FOLDER\n"
                         "       flazz-photoset-bench FOLDER [--threads N]\n");
    return 2;
}

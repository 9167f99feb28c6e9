// What a photo's metadata costs on its way out, next to the scaling itself,
// and how close the estimate of what leaves comes to what does.
//
//   flazz-photoset-bench --make 100 /tmp/photos   24 MP photos with camera metadata
//   flazz-metadata-bench /tmp/photos [--add-size 1024] [--cost-photos 10]
//
// Tab-separated lines:
//   cost      STEP  median ms per photo  (scale 1024, copy-metadata, original-metadata)
//   estimate  SIZE  estimated-bytes  actual-bytes  total-error-%  mean-abs-error-%  max-abs-error-%
// The photos are added as the window adds them, at --add-size (the upload
// size when they were dropped); the estimate is then asked at every size and
// set against the bytes PrepareImage really makes.

#include "BenchSupport.h"
#include "imaging/PhotoMetadata.h"
#include "photoset/AddProgress.h"
#include "photoset/PhotoAdder.h"
#include "photoset/PrepareImage.h"
#include "photoset/SendEstimate.h"
#include "photoset/clsTray.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QtConcurrent>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

class NoProgress : public AddProgress
{
public:
    void open() override {}
    void close() override {}
    void fileLookedAt(const QString &) override {}
    void processEvents() override {}
    void fileDone(const PhotoCheck &) override {}
};

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void measureCost(const QStringList &paths, int count)
{
    QList<double> scale, copy, original;
    for (const QString &path : paths.mid(0, count)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        QElapsedTimer timer;
        timer.start();
        const QByteArray pixels = ScaledCopy(bytes, 1024);
        scale << msSince(timer);
        timer.restart();
        CopyToSend(bytes, pixels, MetadataRule::StoryOnly);
        copy << msSince(timer);
        timer.restart();
        OriginalToSend(bytes, MetadataRule::StoryOnly);
        original << msSince(timer);
    }
    std::printf("cost\tscale-1024\t%.2f\n", median(scale));
    std::printf("cost\tcopy-metadata\t%.2f\n", median(copy));
    std::printf("cost\toriginal-metadata\t%.2f\n", median(original));
    std::printf("cost\tcopy-share-%%\t%.2f\n", 100 * median(copy) / std::max(1e-9, median(scale)));
}

void measureEstimate(const QString &folder, int addSize)
{
    BenchPhotoSet set;
    AppState &state = set.state;
    clsTray &tray = set.tray;
    state.UploadSize = addSize;
    BenchPrompt prompt;
    NoProgress progress;
    PhotoAdder(state, prompt, progress).AddDropped({QDir(folder).absolutePath()}, QString());
    std::printf("photos\t%d\nadded-at\t%d\n", tray.Count(), addSize);

    QStringList added;
    for (int i = 0; i < tray.Count(); ++i)
        added << tray.PhotoInfo(i, PhotoField::FilePath);
    for (const int size : {0, 800, 1024, 1600}) {
        QElapsedTimer timer;
        timer.start();
        const SendEstimate estimate = EstimateSend(tray, size, MetadataRule::StoryOnly);
        const double estimateMs = msSince(timer);
        const QList<qint64> actual = QtConcurrent::blockingMapped(
            added, [size](const QString &path) { return qint64(PrepareImage(path, size).size()); });
        qint64 actualTotal = 0;
        double sumAbs = 0, maxAbs = 0;
        for (int i = 0; i < actual.size(); ++i) {
            actualTotal += actual.at(i);
            const double error =
                100.0 * double(estimate.photos.at(i).bytes - actual.at(i)) / double(actual.at(i));
            sumAbs += std::abs(error);
            maxAbs = std::max(maxAbs, std::abs(error));
        }
        std::printf("estimate\t%d\t%lld\t%lld\t%+.2f\t%.2f\t%.2f\t(%.1f ms)\n", size,
                    static_cast<long long>(estimate.totalBytes), static_cast<long long>(actualTotal),
                    100.0 * double(estimate.totalBytes - actualTotal) /
                        double(std::max<qint64>(1, actualTotal)),
                    actual.isEmpty() ? 0.0 : sumAbs / double(actual.size()), maxAbs, estimateMs);
    }
    std::printf("withheld\t%s\n",
                qPrintable(EstimateSend(tray, 0, MetadataRule::StoryOnly).withheld.join(u',')));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first().startsWith(u'-')) {
        std::fprintf(stderr,
                     "usage: flazz-metadata-bench FOLDER [--add-size 0|800|1024|1600] [--cost-photos N]\n");
        return 2;
    }
    const QString folder = args.first();
    const int addSize = args.contains(QStringLiteral("--add-size"))
                            ? args.value(args.indexOf(QStringLiteral("--add-size")) + 1).toInt()
                            : 1024;
    const int costPhotos = args.contains(QStringLiteral("--cost-photos"))
                               ? args.value(args.indexOf(QStringLiteral("--cost-photos")) + 1).toInt()
                               : 10;
    QStringList paths;
    for (const QString &name : QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
        paths << QDir(folder).filePath(name);
    if (paths.isEmpty()) {
        std::fprintf(stderr, "flazz-metadata-bench: no photos in %s\n", qPrintable(folder));
        return 1;
    }
    measureCost(paths, costPhotos);
    measureEstimate(folder, addSize);
    return 0;
}

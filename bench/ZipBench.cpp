// Measures the Zip export: N large photos packed at each upload size, with
// the throughput and the peak memory of each run.
//
//   flazz-zip-bench [--count N] [--width W] [--height H] [--dir FOLDER]
//                   [--sizes 0,1600,1024,800] [--threads T] [--generate-only]
//
// The photos are made once in FOLDER (default: a temporary folder) and
// reused when they are already there, so other tools can be timed on the
// very same files.

#include "photoset/ZipArchiveWriter.h"
#include "platform/ProcessInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QtConcurrent/QtConcurrentMap>

#include <cmath>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// A photo-like picture: smooth light over the frame plus fine grain, so the
// JPEG codec works as hard as on a real photo (flat colour would be unfairly
// quick to decode).
void makePhoto(const QString &path, int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 27) - 16;
            const double fx = double(x) / width, fy = double(y) / height;
            const int r = int(200 * fx + 40 * std::sin(fy * 9.0)) + grain;
            const int g = int(180 * fy + 50 * std::cos(fx * 7.0)) + grain;
            const int b = int(120 + 100 * std::sin((fx + fy) * 5.0)) + grain;
            row[x] = qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255));
        }
    }
    QImageWriter writer(path, "jpeg");
    writer.setQuality(92);
    writer.write(image);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int count = 100, width = 4000, height = 3000, threads = 0;
    bool generateOnly = false;
    QString dir;
    QList<int> sizes{0, 1600, 1024, 800};
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const QString next = i + 1 < args.size() ? args.at(i + 1) : QString();
        if (a == QLatin1String("--count"))
            count = next.toInt(), ++i;
        else if (a == QLatin1String("--width"))
            width = next.toInt(), ++i;
        else if (a == QLatin1String("--height"))
            height = next.toInt(), ++i;
        else if (a == QLatin1String("--threads"))
            threads = next.toInt(), ++i;
        else if (a == QLatin1String("--dir"))
            dir = next, ++i;
        else if (a == QLatin1String("--generate-only"))
            generateOnly = true;
        else if (a == QLatin1String("--sizes")) {
            sizes.clear();
            for (const QString &s : next.split(QLatin1Char(',')))
                sizes << s.toInt();
            ++i;
        } else {
            QTextStream(stderr) << "unknown argument " << a << Qt::endl;
            return 2;
        }
    }

    QTemporaryDir scratch;
    if (dir.isEmpty())
        dir = scratch.filePath(QStringLiteral("photos"));
    QDir().mkpath(dir);
    QStringList photos;
    for (int i = 0; i < count; ++i)
        photos << QDir(dir).filePath(QStringLiteral("photo-%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
    QStringList missing;
    for (const QString &p : photos) {
        if (!QFileInfo::exists(p))
            missing << p;
    }
    if (!missing.isEmpty()) {
        QElapsedTimer t;
        t.start();
        QtConcurrent::blockingMap(
            missing, [width, height](const QString &p) { makePhoto(p, width, height, quint32(qHash(p))); });
        out() << "made " << missing.size() << " photos of " << width << "x" << height << " in " << dir << " ("
              << t.elapsed() / 1000.0 << " s)" << Qt::endl;
    }
    if (generateOnly)
        return 0;

    qint64 input = 0;
    for (const QString &p : photos)
        input += QFileInfo(p).size();
    out() << count << " photos, " << QString::number(input / 1048576.0, 'f', 1) << " MB, "
          << (threads > 0 ? threads : QThread::idealThreadCount()) << " worker threads" << Qt::endl;
    out() << "size   seconds  photos/s  archive MB  peak MB" << Qt::endl;

    for (int size : sizes) {
        const QString archive = scratch.filePath(QStringLiteral("bench-%1.zip").arg(size));
        ZipArchiveWriter writer(size, threads);
        platform::resetPeakMemory();
        QElapsedTimer t;
        t.start();
        const auto outcome = writer.write(archive, photos);
        const double seconds = t.nsecsElapsed() / 1e9;
        if (outcome != ZipArchiveWriter::Outcome::Written) {
            QTextStream(stderr) << "size " << size << ": " << writer.errorString() << Qt::endl;
            return 1;
        }
        out() << QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(size == 0 ? QStringLiteral("orig") : QString::number(size), -5)
                     .arg(seconds, 8, 'f', 2)
                     .arg(count / seconds, 9, 'f', 1)
                     .arg(QFileInfo(archive).size() / 1048576.0, 11, 'f', 1)
                     .arg(platform::peakMemoryMiB(), 8, 'f', 0)
              << Qt::endl;
        QFile::remove(archive);
    }
    return 0;
}

// The window's side of a background upload. While a job runs, the program's
// window thread does one thing for it: the tray's UploadWatch looks at the
// queue every 2 s (while flazz-uploader, a process of its own, scales and
// sends on every core). This runs that same watch beside a 5 ms heartbeat
// and reports how long the thread stood still at most, from the first open
// job it sees until no job is open any more.
//
//   flazz-upload-watch-bench [--queue FILE] [--timeout-s N]
//
// Prints tab-separated figures:
//   watched-s        how long a job was open
//   still-max-ms     the longest gap between two heartbeats, less the 5 ms
//   still-over-100ms how many gaps were longer than 100 ms
//   notices          what the tray was told (status lines and notifications)

#include "uploader/UploadProgress.h"
#include "uploader/UploadQueue.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kBeatMs = 5;

class CountingNotices : public UploadNotices
{
public:
    void showUploadStatus(const QString &) override { ++told; }
    void notifyUpload(const QString &, const QString &) override { ++told; }
    int told = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption queueOption(QStringLiteral("queue"), QStringLiteral("The queue file."),
                                         QStringLiteral("file"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout-s"),
                                           QStringLiteral("Give up after this long."), QStringLiteral("s"),
                                           QStringLiteral("900"));
    parser.addOptions({queueOption, timeoutOption});
    parser.addHelpOption();
    parser.process(app);

    QString queuePath = parser.value(queueOption);
    if (queuePath.isEmpty())
        queuePath = UploadQueue::defaultPath();

    CountingNotices notices;
    UploadWatch watch(queuePath, notices, 2000);
    watch.start();

    // The bench's own look at the queue, to know when a job is open; it runs
    // on the same thread, so its cost counts as the watch's does.
    std::unique_ptr<UploadQueue> queue;
    const auto anyOpen = [&] {
        if (!queue && QFileInfo::exists(queuePath))
            queue = std::make_unique<UploadQueue>(queuePath);
        return queue && !queue->jobs(QStringLiteral("open")).isEmpty();
    };

    QElapsedTimer watched;
    QElapsedTimer sinceBeat;
    qint64 stillMax = 0;
    int stillOver100 = 0;
    bool seenOpen = false;

    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(kBeatMs);
    QObject::connect(&beat, &QTimer::timeout, &app, [&] {
        const qint64 gap = sinceBeat.restart() - kBeatMs;
        if (seenOpen) {
            stillMax = std::max(stillMax, gap);
            stillOver100 += gap > 100;
        }
    });
    QTimer look;
    look.setInterval(250);
    QObject::connect(&look, &QTimer::timeout, &app, [&] {
        const bool open = anyOpen();
        if (open && !seenOpen) {
            seenOpen = true;
            watched.start();
        } else if (!open && seenOpen) {
            QCoreApplication::quit();
        }
    });
    QTimer::singleShot(parser.value(timeoutOption).toInt() * 1000, &app, &QCoreApplication::quit);
    sinceBeat.start();
    beat.start();
    look.start();
    app.exec();

    if (!seenOpen) {
        std::fprintf(stderr, "flazz-upload-watch-bench: no job was open in %s\n", qPrintable(queuePath));
        return 1;
    }
    std::printf("watched-s\t%.2f\n", double(watched.elapsed()) / 1000.0);
    std::printf("still-max-ms\t%lld\n", static_cast<long long>(stillMax));
    std::printf("still-over-100ms\t%d\n", stillOver100);
    std::printf("notices\t%d\n", notices.told);
    return 0;
}

// flazz-uploader: sends the photos Flazz queued for the web destinations,
// outside the program, and ends when the queue has nothing left to send.
//
//   flazz-uploader [--queue FILE] [--services FILE] [--retry-base-ms N]
//                  [--timeout-ms N] [--deadline-base-ms N] [--slowest-rate BYTES]
//                  [--per-service N] [--running]
//
// One copy runs at a time for each data folder; a second one ends at once.
// It listens as the folder's companion, in the user's runtime folder:
// "close" lets the photos in flight finish and keeps the rest queued for
// the next start. --running only tells (exit 0) whether one runs.
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "platform/CompanionWindow.h"
#include "platform/ProcessLock.h"
#include "uploader/UploadEngine.h"
#include "uploader/UploadQueue.h"
#include "webkit/ServiceConfig.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtDebug>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("flazz-uploader"));
    QCoreApplication::setOrganizationName(QStringLiteral("Korvantis"));

    QCommandLineParser parser;
    const QCommandLineOption queueOption(QStringLiteral("queue"), QStringLiteral("The queue file."),
                                         QStringLiteral("file"));
    const QCommandLineOption servicesOption(QStringLiteral("services"),
                                            QStringLiteral("Service configuration."), QStringLiteral("file"));
    const QCommandLineOption retryOption(QStringLiteral("retry-base-ms"), QStringLiteral("First back-off."),
                                         QStringLiteral("ms"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout-ms"),
                                           QStringLiteral("Longest silence within a request."),
                                           QStringLiteral("ms"));
    const QCommandLineOption deadlineOption(QStringLiteral("deadline-base-ms"),
                                            QStringLiteral("A request's deadline before its body's share."),
                                            QStringLiteral("ms"));
    const QCommandLineOption rateOption(
        QStringLiteral("slowest-rate"),
        QStringLiteral("The slowest link, in bytes a second, that a request's "
                       "deadline still waits for."),
        QStringLiteral("bytes"));
    const QCommandLineOption runningOption(QStringLiteral("running"),
                                           QStringLiteral("Only tell whether the queue's uploader runs."));
    const QCommandLineOption perServiceOption(
        QStringLiteral("per-service"),
        QStringLiteral("Photos sent at once to each service (default %1, or the setting %2).")
            .arg(EngineOptions().perService)
            .arg(QLatin1String(SettingsKey::UploadConnections)),
        QStringLiteral("n"));
    parser.addOptions({queueOption, servicesOption, retryOption, timeoutOption, deadlineOption, rateOption,
                       perServiceOption, runningOption});
    parser.addHelpOption();
    parser.process(app);

    QString queuePath = parser.value(queueOption);
    if (queuePath.isEmpty())
        queuePath = UploadQueue::defaultPath();

    // One uploader per data folder, found in this user's own runtime folder:
    // another folder's (or another user's) neither blocks nor takes it.
    const QString dataFolder = QFileInfo(queuePath).absolutePath();
    const QString companionName = platform::companionName(dataFolder);
    if (parser.isSet(runningOption))
        return platform::companionListening(companionName) ? 0 : 1;

    // The lock, not the companion socket, decides who runs: a socket left by
    // a killed copy must not keep the next one out.
    platform::ProcessLock lock(platform::companionLockPath(dataFolder));
    if (!lock.tryLock())
        return 0;

    UploadQueue queue(queuePath);
    if (!queue.isOpen()) {
        std::fprintf(stderr, "flazz-uploader: %s\n", qPrintable(queue.errorText()));
        return 1;
    }

    EngineOptions options;
    if (parser.isSet(retryOption))
        options.retry.baseMs = qMax(1, parser.value(retryOption).toInt());
    if (parser.isSet(timeoutOption))
        options.limits.silenceMs = qMax(100, parser.value(timeoutOption).toInt());
    if (parser.isSet(deadlineOption))
        options.limits.deadlineBaseMs = qMax(100, parser.value(deadlineOption).toInt());
    if (parser.isSet(rateOption))
        options.limits.slowestBytesPerSecond = qMax<qint64>(1, parser.value(rateOption).toLongLong());
    // The queue lives in the data folder, beside the settings the sign-ins keep.
    options.settingsFile = QFileInfo(queuePath).absoluteDir().filePath(QStringLiteral("Settings.xml"));
    if (parser.isSet(perServiceOption))
        options.perService = qMax(1, parser.value(perServiceOption).toInt());
    else
        options.perService = EngineOptions::perServiceFrom(
            SettingsStore(options.settingsFile).readOr(QLatin1String(SettingsKey::UploadConnections)));
    UploadEngine engine(queue, ServiceConfig::load(app.arguments()), options);

    QLocalServer companion;
    companion.setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(companionName);
    if (!companion.listen(companionName))
        qWarning().noquote() << "flazz-uploader: cannot listen as" << companionName;
    QObject::connect(&companion, &QLocalServer::newConnection, &app, [&] {
        while (QLocalSocket *socket = companion.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, &app, [socket, &engine] {
                if (socket->readAll().contains("close"))
                    engine.finishInFlight();
            });
        }
    });

    QObject::connect(&engine, &UploadEngine::drained, &app, [&] {
        if (engine.closing()) {
            QCoreApplication::quit();
            return;
        }
        // Flazz commits a job and then starts a copy of this program, which
        // ends at once while this one holds the lock. So: let go of the lock,
        // then look once more; a job that came in between is ours unless the
        // new copy has taken over already.
        lock.unlock();
        if (engine.hasWork() && lock.tryLock()) {
            engine.start();
            return;
        }
        QCoreApplication::quit();
    });
    // Started from the event loop: a queue with nothing to send drains at
    // once, and a quit() asked for before exec() runs is lost, which left
    // this copy polling the queue without the lock beside the one holding it.
    QMetaObject::invokeMethod(&engine, &UploadEngine::start, Qt::QueuedConnection);
    return app.exec();
}

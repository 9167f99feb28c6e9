// flazz-uploader: sends the photos Flazz queued for the web destinations,
// outside the program, and ends when the queue has nothing left to send.
//
//   flazz-uploader [--queue FILE] [--services FILE] [--companion NAME]
//                  [--retry-base-ms N] [--timeout-ms N] [--per-service N]
//
// One copy runs at a time; a second one ends at once. It listens as the
// companion ("FlazzCom"): "close" lets the photos in flight finish and keeps
// the rest queued for the next start.
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "platform/CompanionWindow.h"
#include "platform/InstanceGuard.h"
#include "uploader/UploadEngine.h"
#include "uploader/UploadQueue.h"
#include "webkit/ServiceConfig.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
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
    const QCommandLineOption companionOption(QStringLiteral("companion"), QStringLiteral("Companion name."),
                                             QStringLiteral("name"),
                                             QString::fromLatin1(platform::kCompanionName));
    const QCommandLineOption retryOption(QStringLiteral("retry-base-ms"), QStringLiteral("First back-off."),
                                         QStringLiteral("ms"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout-ms"), QStringLiteral("Request time-out."),
                                           QStringLiteral("ms"));
    const QCommandLineOption perServiceOption(
        QStringLiteral("per-service"),
        QStringLiteral("Photos sent at once to each service (default %1, or the setting %2).")
            .arg(EngineOptions().perService)
            .arg(QLatin1String(SettingsKey::UploadConnections)),
        QStringLiteral("n"));
    parser.addOptions(
        {queueOption, servicesOption, companionOption, retryOption, timeoutOption, perServiceOption});
    parser.addHelpOption();
    parser.process(app);

    QString queuePath = parser.value(queueOption);
    if (queuePath.isEmpty())
        queuePath = UploadQueue::defaultPath();

    // The lock, not the companion socket, decides who runs: a socket left by
    // a killed copy must not keep the next one out.
    QLockFile lock(platform::InstanceGuard::lockFolder() + QStringLiteral("/FlazzUploader.instance.lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0))
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
        options.timeoutMs = qMax(100, parser.value(timeoutOption).toInt());
    // The queue lives in the data folder, beside the settings the sign-ins keep.
    options.settingsFile = QFileInfo(queuePath).absoluteDir().filePath(QStringLiteral("Settings.xml"));
    if (parser.isSet(perServiceOption))
        options.perService = qMax(1, parser.value(perServiceOption).toInt());
    else
        options.perService = EngineOptions::perServiceFrom(
            SettingsStore(options.settingsFile).readOr(QLatin1String(SettingsKey::UploadConnections)));
    UploadEngine engine(queue, ServiceConfig::load(app.arguments()), options);

    QLocalServer companion;
    const QString companionName = parser.value(companionOption);
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
        if (engine.hasWork() && lock.tryLock(0)) {
            engine.start();
            return;
        }
        QCoreApplication::quit();
    });
    engine.start();
    return app.exec();
}

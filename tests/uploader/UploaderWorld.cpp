#include "UploaderWorld.h"

#include "imaging/TestImages.h"
#include "platform/CompanionWindow.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QSettings>

QByteArray jpegBytes(int width, int height, int seed)
{
    return testimages::encoded("jpg", QSize(width, height), quint32(seed));
}

QStringList states(const QList<QueuedPhoto> &photos)
{
    QStringList out;
    for (const QueuedPhoto &p : photos)
        out << p.state;
    return out;
}

UploaderWorld::UploaderWorld() : store(env.path(QStringLiteral("sandbox")))
{
    dropbox.install(dropboxServer, store);
    flickr.install(flickrServer, store);
    config = ServiceConfig::defaults();
    dropbox.configure(config, dropboxServer.baseUrl());
    flickr.configure(config, flickrServer.baseUrl());
    // The search by machine tag is on the upload stand-in's server here.
    config.flickr.rest = flickrServer.baseUrl();
    setToken(QStringLiteral("Dropbox"), QString::fromLatin1(kDropboxToken),
             QString::fromLatin1(kDropboxSecret), false);
    setToken(QStringLiteral("Flickr"), QString::fromLatin1(kFlickrToken), {}, false);
    writeServices();
    m_queue = std::make_unique<UploadQueue>(queuePath());
    companion = platform::companionName(QFileInfo(queuePath()).absolutePath());
}

UploaderWorld::~UploaderWorld() = default;

QStringList UploaderWorld::makePhotos(int count, int width, int height)
{
    QStringList paths;
    for (int i = 1; i <= count; ++i)
        paths << env.writeFile(QStringLiteral("photos/photo %1.jpg").arg(i), jpegBytes(width, height, i));
    return paths;
}

void UploaderWorld::setToken(const QString &service, const QString &token, const QString &secret,
                             bool expired)
{
    store.update(service, [&](QJsonObject &state) {
        QJsonObject tokens = state.value(u"tokens").toObject();
        tokens[token] = QJsonObject{{QStringLiteral("secret"), secret},
                                    {QStringLiteral("account"), QStringLiteral("1001")},
                                    {QStringLiteral("expired"), expired}};
        state[QStringLiteral("tokens")] = tokens;
        state[QStringLiteral("accounts")] = QJsonObject{
            {QStringLiteral("1001"), QJsonObject{{QStringLiteral("name"), QStringLiteral("Ada")}}}};
    });
}

void UploaderWorld::writeServices(const QString &flickrSecret)
{
    QSettings ini(env.path(QStringLiteral("services.ini")), QSettings::IniFormat);
    ini.setValue(QStringLiteral("Dropbox/ApiContent"), config.dropbox.apiContent);
    ini.setValue(QStringLiteral("Dropbox/ConsumerKey"), config.dropbox.consumerKey);
    ini.setValue(QStringLiteral("Dropbox/ConsumerSecret"), config.dropbox.consumerSecret);
    ini.setValue(QStringLiteral("Flickr/Upload"), config.flickr.upload);
    ini.setValue(QStringLiteral("Flickr/Rest"), config.flickr.rest);
    ini.setValue(QStringLiteral("Flickr/ApiKey"), config.flickr.apiKey);
    ini.setValue(QStringLiteral("Flickr/SharedSecret"),
                 flickrSecret.isEmpty() ? config.flickr.sharedSecret : flickrSecret);
    ini.sync();
}

QStringList UploaderWorld::uploaderArguments() const
{
    return {QStringLiteral("--queue"),         queuePath(),
            QStringLiteral("--services"),      env.path(QStringLiteral("services.ini")),
            QStringLiteral("--retry-base-ms"), QStringLiteral("100"),
            QStringLiteral("--timeout-ms"),    QStringLiteral("10000")};
}

std::unique_ptr<QProcess> UploaderWorld::startUploader(const QStringList &extra) const
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QStringLiteral(FLAZZ_UPLOADER), uploaderArguments() + extra);
    process->waitForStarted();
    return process;
}

bool UploaderWorld::runUploader(int timeoutMs, const QStringList &extra) const
{
    const auto process = startUploader(extra);
    if (!process->waitForFinished(timeoutMs)) {
        process->kill();
        process->waitForFinished();
        return false;
    }
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

QList<QByteArray> UploaderWorld::kept(const QString &storeName) const
{
    QList<QByteArray> out;
    for (const QString &file : store.files(storeName))
        out << store.fileBytes(storeName, file);
    return out;
}

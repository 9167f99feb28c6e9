#include "UploaderWorld.h"

#include "imaging/TestImages.h"
#include "platform/CompanionWindow.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QSettings>

using namespace Qt::StringLiterals;

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

UploaderWorld::UploaderWorld() : store(env.path(u"sandbox"_s))
{
    dropbox.install(dropboxServer, store);
    flickr.install(flickrServer, store);
    config = ServiceConfig::defaults();
    dropbox.configure(config, dropboxServer.baseUrl());
    flickr.configure(config, flickrServer.baseUrl());
    // The search by machine tag is on the upload stand-in's server here.
    config.flickr.rest = flickrServer.baseUrl();
    setToken(u"Dropbox"_s, QString::fromLatin1(kDropboxToken), QString::fromLatin1(kDropboxSecret));
    setToken(u"Flickr"_s, QString::fromLatin1(kFlickrToken));
    writeServices();
    m_queue = std::make_unique<UploadQueue>(queuePath());
    companion = platform::companionName(QFileInfo(queuePath()).absolutePath());
}

UploaderWorld::~UploaderWorld() = default;

QStringList UploaderWorld::makePhotos(int count, int width, int height)
{
    QStringList paths;
    for (int i = 1; i <= count; ++i)
        paths << env.writeFile(u"photos/photo %1.jpg"_s.arg(i), jpegBytes(width, height, i));
    return paths;
}

void UploaderWorld::setToken(const QString &service, const QString &token, const QString &secret)
{
    store.update(service, [&](QJsonObject &state) {
        QJsonObject tokens = state.value(u"tokens").toObject();
        tokens[token] = QJsonObject{{u"secret"_s, secret}, {u"account"_s, u"1001"_s}, {u"expired"_s, false}};
        state[u"tokens"_s] = tokens;
        state[u"accounts"_s] = QJsonObject{{u"1001"_s, QJsonObject{{u"name"_s, u"Ada"_s}}}};
    });
}

void UploaderWorld::writeServices(const QString &flickrSecret)
{
    QSettings ini(env.path(u"services.ini"_s), QSettings::IniFormat);
    ini.setValue(u"Dropbox/ApiContent"_s, config.dropbox.apiContent);
    ini.setValue(u"Dropbox/ConsumerKey"_s, config.dropbox.consumerKey);
    ini.setValue(u"Dropbox/ConsumerSecret"_s, config.dropbox.consumerSecret);
    ini.setValue(u"Flickr/Upload"_s, config.flickr.upload);
    ini.setValue(u"Flickr/Rest"_s, config.flickr.rest);
    ini.setValue(u"Flickr/ApiKey"_s, config.flickr.apiKey);
    ini.setValue(u"Flickr/SharedSecret"_s,
                 flickrSecret.isEmpty() ? config.flickr.sharedSecret : flickrSecret);
    ini.sync();
}

QStringList UploaderWorld::uploaderArguments() const
{
    return {u"--queue"_s,         queuePath(), u"--services"_s,   env.path(u"services.ini"_s),
            u"--retry-base-ms"_s, u"100"_s,    u"--timeout-ms"_s, u"10000"_s};
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

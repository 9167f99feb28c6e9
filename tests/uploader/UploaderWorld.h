#pragma once

#include "sandbox/SandboxStore.h"
#include "sandbox/StandinServer.h"
#include "sandbox/services/DropboxContentService.h"
#include "sandbox/services/FlickrUploadService.h"
#include "support/TestEnvironment.h"
#include "uploader/UploadProgress.h"
#include "uploader/UploadQueue.h"
#include "webkit/ServiceConfig.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <memory>

// One test's world: a private data folder, the Dropbox and Flickr upload
// stand-ins with a signed-in account each, photos on disk, and
// flazz-uploader run against a queue there.
class UploaderWorld
{
public:
    static constexpr char kDropboxToken[] = "dbtoken0001";
    static constexpr char kDropboxSecret[] = "dbsecret0001";
    static constexpr char kFlickrToken[] = "72157600000000001-abcdef0123456789";

    UploaderWorld();
    ~UploaderWorld();

    // `count` distinct small JPEGs (width x height) named "photo <n>.jpg".
    QStringList makePhotos(int count, int width = 160, int height = 120);
    // Seeds or replaces a token in a service's state.
    void setToken(const QString &service, const QString &token, const QString &secret = {});
    // Writes the service configuration the uploader reads; `flickrSecret`
    // replaces the shared secret the uploader signs with.
    void writeServices(const QString &flickrSecret = {});

    UploadQueue &queue() { return *m_queue; }
    QString queuePath() const { return env.path(QStringLiteral("data/Uploads.db")); }
    QStringList uploaderArguments() const;

    // Starts flazz-uploader (not detached) with this world's options.
    std::unique_ptr<QProcess> startUploader(const QStringList &extra = {}) const;
    // Runs it until it ends by itself; false when it did not within `timeoutMs`.
    bool runUploader(int timeoutMs = 60000, const QStringList &extra = {}) const;

    // Bytes of every file the service's stand-in kept.
    QList<QByteArray> kept(const QString &storeName) const;

    TestEnvironment env;
    SandboxStore store;
    StandinServer dropboxServer;
    StandinServer flickrServer;
    DropboxContentService dropbox;
    FlickrUploadService flickr;
    ServiceConfig config;
    QString companion; // the uploader's, named by the data folder

private:
    std::unique_ptr<UploadQueue> m_queue;
};

QByteArray jpegBytes(int width, int height, int seed);

// The tray's line and its announcements, as the watch gives them.
struct RecordingNotices : UploadNotices
{
    QStringList statuses;
    QStringList notices;
    void showUploadStatus(const QString &status) override { statuses << status; }
    void notifyUpload(const QString &, const QString &message) override { notices << message; }
};

// Each photo's state, in order.
QStringList states(const QList<QueuedPhoto> &photos);

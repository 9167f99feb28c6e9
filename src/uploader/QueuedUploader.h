#pragma once

#include "imaging/PhotoMetadata.h"
#include "uploader/UploadItem.h"
#include "webkit/BackgroundUploader.h"
#include "webkit/Service.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class UploadQueue;
struct UploadJobSpec;

// Flazz's side of the background uploader: every operation records what
// each photo is (its file's identity and digest, its scaled copy), commits
// the job to the queue and makes sure flazz-uploader runs, then returns the
// job's id. The uploader keeps one copy of itself running per data folder,
// so starting it while it runs costs a process that ends at once.
class QueuedUploader : public BackgroundUploader
{
public:
    // `program`: the flazz-uploader executable; `arguments` go with it (the
    // service configuration, for one).
    QueuedUploader(QString queuePath, QString program, QStringList arguments = {});
    ~QueuedUploader() override;

    // The installed flazz-uploader helper (or the one beside the running
    // program), unless FLAZZ_UPLOADER names one.
    static QString defaultProgram();

    // The photo set's copy of the photo at `path`, scaled for `uploadSize`
    // with the metadata `rule` lets go when it was added; empty when it has
    // none.
    using PreparedCopies = std::function<QByteArray(const QString &path, int uploadSize, MetadataRule rule)>;
    // Each job then hands the uploader those copies, so that it sends them
    // rather than reading and scaling every photo again.
    void setPreparedCopies(PreparedCopies copies) { m_preparedCopies = std::move(copies); }
    // Whether photos leave with every tag they carry, asked as each job is
    // queued: the job keeps the answer, whatever the user chooses later.
    void setMetadataChoice(std::function<bool()> keepMetadata) { m_keepMetadata = std::move(keepMetadata); }
    // The SHA-256 (hex) the photo set took of the photo at `path` when it
    // was read; empty when it has none. A photo without one is hashed here.
    using ContentDigests = std::function<QByteArray(const QString &path)>;
    void setContentDigests(ContentDigests digests) { m_contentDigests = std::move(digests); }

    // The id of the account signed in to `service` ("Dropbox", ...) as the
    // settings beside the queue keep it; empty where its sign-in records none.
    QString signedInAccount(const ServiceId &service) const;

    // The operations the flows call take the photo and remarks lists as the
    // flows build them (TAB-joined); each is split here, once.
    QString UploadToDropBox(const QString &accessToken, const QString &tokenSecret, const QString &photoList,
                            int uploadSize, const QString &folder) override;
    QString UploadToGoogle(const QString &accessToken, const QString &photoList, int uploadSize,
                           const QString &folder) override;
    QString UploadToSkydrive(const QString &accessToken, const QString &photoList, int uploadSize,
                             const QString &folder) override;
    QString UploadToFacebook(const QString &accessToken, const QString &photoList, const QString &remarksList,
                             int uploadSize, const QString &privacy, const QString &albumId) override;
    QString UploadToFlickr(const QString &token, const QString &photoList, const QString &remarksList,
                           int uploadSize) override;
    QString UploadToRemote(const QString &remote, const QString &photoList, const QStringList &names,
                           int uploadSize, const QString &folder) override;

    PhotosSentBefore sentBefore(const ServiceId &service, const QString &photoList,
                                const QString &target) override;

    // A job of typed items (path and remarks; the rest is filled in here).
    // Raises ToolkitError when it cannot be kept, or when a scaled copy
    // cannot be written.
    QString addJob(UploadJobSpec spec);

    // A job whose photos come while the photo set is still being filled
    // (the command line adds and sends at once): opened without photos,
    // given the next ones in order as they are added, sealed after the last.
    // The uploader sends what is there meanwhile. Each raises ToolkitError
    // when the queue cannot keep what it is given.
    QString openJob(UploadJobSpec spec);
    void appendToJob(const QString &id, QList<UploadItem> items);
    void sealJob(const QString &id);

    // Starts the uploader when the queue holds jobs left by an earlier run;
    // true when it was started.
    bool resumePending();
    // Starts the uploader (detached from this program's standard streams);
    // false when it could not be started.
    bool startUploader();
    // True when this queue's uploader is running now.
    bool uploaderRunning() const;

    // The photo and remarks lists as the flows build them.
    static QStringList splitPhotoList(const QString &photoList);
    static QStringList splitRemarksList(const QString &remarksList);

private:
    QString queueJob(Service service, const QString &token, const QString &secret, const QString &photoList,
                     const QString &remarksList, int uploadSize, const QString &target,
                     const QString &privacy);
    UploadQueue &queue();
    QByteArray contentOf(const UploadItem &item) const;
    void checkItems(QList<UploadItem> &items, const QString &preparedFolder, int uploadSize,
                    bool keepMetadata) const;

    QString m_queuePath;
    QString m_program;
    QStringList m_arguments;
    std::unique_ptr<UploadQueue> m_queue;
    PreparedCopies m_preparedCopies;
    std::function<bool()> m_keepMetadata;
    ContentDigests m_contentDigests;
    bool m_started = false; // an open job has started the uploader
};

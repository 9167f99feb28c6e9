#pragma once

#include "webkit/BackgroundUploader.h"

#include <QString>
#include <QStringList>

#include <memory>

class UploadQueue;

// Flazz's side of the background uploader: every operation commits the job
// to the queue and makes sure flazz-uploader runs, then returns the job's id.
// The uploader keeps one copy of itself running, so starting it while it
// runs costs a process that ends at once.
class QueuedUploader : public BackgroundUploader
{
public:
    // `program`: the flazz-uploader executable; `arguments` go with it (the
    // service configuration, for one).
    QueuedUploader(QString queuePath, QString program, QStringList arguments = {});
    ~QueuedUploader() override;

    // flazz-uploader beside the running program, unless FLAZZ_UPLOADER names one.
    static QString defaultProgram();

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

    // Starts the uploader when the queue holds jobs left by an earlier run;
    // true when it was started.
    bool resumePending();

    // The photo and remarks lists as the flows build them.
    static QStringList splitPhotoList(const QString &photoList);
    static QStringList splitRemarksList(const QString &remarksList);

private:
    QString queueJob(const QString &service, const QString &token, const QString &secret,
                     const QString &photoList, const QString &remarksList, int uploadSize,
                     const QString &target, const QString &privacy);
    bool startUploader();
    UploadQueue &queue();

    QString m_queuePath;
    QString m_program;
    QStringList m_arguments;
    std::unique_ptr<UploadQueue> m_queue;
};

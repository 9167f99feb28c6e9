#include "uploader/QueuedUploader.h"

#include "platform/InstallLayout.h"
#include "uploader/PhotoPreparation.h"
#include "uploader/UploadQueue.h"
#include "webkit/ToolkitError.h"

#include <QDir>
#include <QProcess>
#include <QUuid>

QueuedUploader::QueuedUploader(QString queuePath, QString program, QStringList arguments)
    : m_queuePath(std::move(queuePath)), m_program(std::move(program)), m_arguments(std::move(arguments))
{
}

QueuedUploader::~QueuedUploader() = default;

QString QueuedUploader::defaultProgram()
{
    const QString named = qEnvironmentVariable("FLAZZ_UPLOADER");
    if (!named.isEmpty())
        return named;
    return platform::helperProgram(QStringLiteral("flazz-uploader"));
}

UploadQueue &QueuedUploader::queue()
{
    if (!m_queue)
        m_queue = std::make_unique<UploadQueue>(m_queuePath);
    return *m_queue;
}

QStringList QueuedUploader::splitPhotoList(const QString &photoList)
{
    return photoList.split(u'\t', Qt::SkipEmptyParts);
}

QStringList QueuedUploader::splitRemarksList(const QString &remarksList)
{
    QStringList out;
    if (remarksList.isEmpty())
        return out;
    // Each entry is a blank and the remarks; the blank only kept an empty
    // entry from vanishing.
    for (QString entry : remarksList.split(QStringLiteral("#\t#"))) {
        if (entry.startsWith(u' '))
            entry.remove(0, 1);
        out << entry;
    }
    return out;
}

QString QueuedUploader::queueJob(const QString &service, const QString &token, const QString &secret,
                                 const QString &photoList, const QString &remarksList, int uploadSize,
                                 const QString &target, const QString &privacy, const QStringList &names)
{
    UploadJobSpec spec;
    spec.service = service;
    spec.token = token;
    spec.tokenSecret = secret;
    spec.photos = splitPhotoList(photoList);
    spec.remarks = splitRemarksList(remarksList);
    spec.uploadSize = qMax(0, uploadSize);
    spec.target = target;
    spec.privacy = privacy;
    spec.names = names;
    // The copies are on disk before the job is: the uploader never sees a
    // job whose copies are still being written.
    const QString preparedFolder =
        QDir(UploadQueue::preparedFolderOf(m_queuePath)).filePath(QUuid::createUuid().toString(QUuid::Id128));
    spec.prepared = keepCopies(preparedFolder, spec.photos, spec.uploadSize);
    QString id;
    try {
        id = queue().addJob(spec); // raises when the job cannot be kept
    } catch (...) {
        QDir(preparedFolder).removeRecursively();
        throw;
    }
    // The job is safe on disk; an uploader that fails to start now picks it
    // up at its next start.
    startUploader();
    return id;
}

QStringList QueuedUploader::keepCopies(const QString &folder, const QStringList &paths, int uploadSize) const
{
    QStringList kept;
    if (!m_preparedCopies || uploadSize <= 0)
        return kept;
    for (const QString &path : paths)
        kept << keepPreparedCopy(folder, m_preparedCopies(path, uploadSize));
    return kept;
}

QString QueuedUploader::openJob(UploadJobSpec spec)
{
    spec.photos.clear();
    spec.remarks.clear();
    spec.prepared.clear();
    spec.open = true;
    return queue().addJob(spec);
}

void QueuedUploader::appendToJob(const QString &id, const QStringList &paths, const QStringList &remarks,
                                 const QStringList &names)
{
    const QueuedJob job = queue().job(id);
    // One folder per job: its copies go with its last photo.
    const QString folder = QDir(UploadQueue::preparedFolderOf(m_queuePath)).filePath(id);
    queue().appendPhotos(id, paths, remarks, keepCopies(folder, paths, job.uploadSize), names);
    if (!m_started)
        m_started = startUploader();
}

void QueuedUploader::sealJob(const QString &id)
{
    queue().sealJob(id);
    // In case the one started with the first photos is gone.
    startUploader();
}

bool QueuedUploader::startUploader()
{
    return QProcess::startDetached(m_program, m_arguments);
}

bool QueuedUploader::resumePending()
{
    return queue().hasUnfinishedJobs() && startUploader();
}

QString QueuedUploader::UploadToDropBox(const QString &accessToken, const QString &tokenSecret,
                                        const QString &photoList, int uploadSize, const QString &folder)
{
    return queueJob(QStringLiteral("Dropbox"), accessToken, tokenSecret, photoList, {}, uploadSize, folder,
                    {});
}

QString QueuedUploader::UploadToGoogle(const QString &accessToken, const QString &photoList, int uploadSize,
                                       const QString &folder)
{
    return queueJob(QStringLiteral("Google"), accessToken, {}, photoList, {}, uploadSize, folder, {});
}

QString QueuedUploader::UploadToSkydrive(const QString &accessToken, const QString &photoList, int uploadSize,
                                         const QString &folder)
{
    return queueJob(QStringLiteral("Live"), accessToken, {}, photoList, {}, uploadSize, folder, {});
}

QString QueuedUploader::UploadToFacebook(const QString &accessToken, const QString &photoList,
                                         const QString &remarksList, int uploadSize, const QString &privacy,
                                         const QString &albumId)
{
    return queueJob(QStringLiteral("Facebook"), accessToken, {}, photoList, remarksList, uploadSize, albumId,
                    privacy);
}

QString QueuedUploader::UploadToRemote(const QString &remote, const QString &photoList,
                                       const QStringList &names, int uploadSize, const QString &folder)
{
    return queueJob(u"rclone:" + remote, {}, {}, photoList, {}, uploadSize, folder, {}, names);
}

QString QueuedUploader::UploadToFlickr(const QString &token, const QString &photoList,
                                       const QString &remarksList, int uploadSize)
{
    return queueJob(QStringLiteral("Flickr"), token, {}, photoList, remarksList, uploadSize, {}, {});
}

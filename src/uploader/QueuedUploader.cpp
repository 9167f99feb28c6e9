#include "uploader/QueuedUploader.h"

#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "platform/CompanionWindow.h"
#include "platform/InstallLayout.h"
#include "uploader/PhotoPreparation.h"
#include "uploader/UploadQueue.h"
#include "webkit/ToolkitError.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QUuid>

namespace {

constexpr quint32 ErrCopy = 0x8004D401;

} // namespace

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

void QueuedUploader::checkItems(QList<UploadItem> &items, const QString &preparedFolder, int uploadSize,
                                bool keepMetadata) const
{
    for (UploadItem &item : items) {
        QByteArray copy;
        if (m_preparedCopies && uploadSize > 0)
            copy = m_preparedCopies(item.path, uploadSize, MetadataRuleFor(keepMetadata));
        // What is sent later must be this file as it is now: a photo that
        // cannot be recorded fails alone, with its reason. Handing over
        // reads the photo once more to hash it, unless it goes as its scaled
        // copy (whose name is its own digest): its original is then read
        // again only when the copy is lost, and only when its file, size
        // and time are still those recorded here. Hashing every original
        // would cost the sending of a large set a good part of its time for
        // a check that is rarely made.
        const auto digest = copy.isEmpty() ? platform::IdentityDigest::Whole : platform::IdentityDigest::None;
        item.identity = platform::recordIdentity(item.path, kMaxOriginalBytes, digest, &item.problem);
        if (item.problem.isEmpty())
            item.content = contentOf(item);
        if (!item.problem.isEmpty() || copy.isEmpty())
            continue;
        item.prepared = keepPreparedCopy(preparedFolder, copy);
        // Told now, while the user is there, rather than sending the full
        // original in its place later.
        if (item.prepared.isEmpty())
            throw ToolkitError(
                ErrCopy, QStringLiteral("QueuedUploader.addJob"),
                QStringLiteral("The scaled copy of %1 cannot be written in %2; is the disk full?")
                    .arg(QFileInfo(item.path).fileName(), QDir::toNativeSeparators(preparedFolder)));
    }
}

QByteArray QueuedUploader::contentOf(const UploadItem &item) const
{
    if (!item.identity.digest.isEmpty())
        return item.identity.digest;
    QByteArray digest = m_contentDigests ? m_contentDigests(item.path) : QByteArray();
    if (digest.isEmpty())
        digest =
            platform::recordIdentity(item.path, kMaxOriginalBytes, platform::IdentityDigest::Whole).digest;
    return digest;
}

QString QueuedUploader::signedInAccount(const ServiceId &service) const
{
    const char *key = nullptr;
    switch (service.service().value_or(Service::Flickr)) {
    case Service::Facebook:
        key = SettingsKey::FacebookID;
        break;
    case Service::Dropbox:
        key = SettingsKey::DropBoxUid;
        break;
    case Service::Google:
        key = SettingsKey::GoogleID;
        break;
    case Service::Flickr: // its sign-in records no account, nor does a remote's
    case Service::SkyDrive:
        return {};
    }
    const QString settings = QFileInfo(m_queuePath).absoluteDir().filePath(QStringLiteral("Settings.xml"));
    return SettingsStore(settings).readOr(QString::fromLatin1(key)).trimmed();
}

PhotosSentBefore QueuedUploader::sentBefore(const ServiceId &service, const QString &photoList,
                                            const QString &target)
{
    const QStringList paths = splitPhotoList(photoList);
    QStringList digests;
    for (const QString &path : paths) {
        UploadItem item;
        item.path = path;
        digests << QString::fromLatin1(contentOf(item));
    }
    const QHash<QString, SentRecord> sent =
        queue().sentBefore(service, signedInAccount(service), target, digests);
    PhotosSentBefore out;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const auto found = sent.constFind(digests.at(i));
        if (found == sent.constEnd())
            continue;
        out.paths << paths.at(i);
        out.latest = qMax(out.latest, found->sent);
    }
    return out;
}

QString QueuedUploader::addJob(UploadJobSpec spec)
{
    if (spec.account.isEmpty())
        spec.account = signedInAccount(spec.service);
    spec.uploadSize = qMax(0, spec.uploadSize);
    // The copies are on disk before the job is: the uploader never sees a
    // job whose copies are still being written.
    const QString preparedFolder =
        QDir(UploadQueue::preparedFolderOf(m_queuePath)).filePath(QUuid::createUuid().toString(QUuid::Id128));
    QString id;
    try {
        checkItems(spec.items, preparedFolder, spec.uploadSize, spec.keepMetadata);
        id = queue().addJob(spec); // raises when the job cannot be kept
    } catch (...) {
        QDir(preparedFolder).removeRecursively();
        throw;
    }
    // The job is safe on disk; an uploader that fails to start now is
    // started again by the tray, which sees the job wait.
    startUploader();
    return id;
}

QString QueuedUploader::queueJob(Service service, const QString &token, const QString &secret,
                                 const QString &photoList, const QString &remarksList, int uploadSize,
                                 const QString &target, const QString &privacy)
{
    UploadJobSpec spec;
    spec.service = service;
    spec.token = token;
    spec.tokenSecret = secret;
    spec.items = uncheckedItems(splitPhotoList(photoList), splitRemarksList(remarksList));
    spec.uploadSize = uploadSize;
    spec.target = target;
    spec.privacy = privacy;
    spec.keepMetadata = m_keepMetadata && m_keepMetadata();
    return addJob(std::move(spec));
}

QString QueuedUploader::openJob(UploadJobSpec spec)
{
    if (spec.account.isEmpty())
        spec.account = signedInAccount(spec.service);
    spec.items.clear();
    spec.open = true;
    return queue().addJob(spec);
}

void QueuedUploader::appendToJob(const QString &id, QList<UploadItem> items)
{
    const QueuedJob job = queue().job(id);
    // One folder per job: its copies go with its last photo.
    checkItems(items, QDir(UploadQueue::preparedFolderOf(m_queuePath)).filePath(id), job.uploadSize,
               job.keepMetadata);
    queue().appendPhotos(id, items);
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
    // Nothing of this program's standard streams goes with it: a script
    // reading this program's output through a pipe must not wait for the
    // uploader's end. What it has to say goes to a log beside the queue.
    const QString logFolder = QFileInfo(m_queuePath).absoluteDir().filePath(QStringLiteral("log"));
    QDir().mkpath(logFolder);
    QProcess process;
    process.setProgram(m_program);
    process.setArguments(m_arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QDir(logFolder).filePath(QStringLiteral("flazz-uploader.log")),
                                 QIODevice::Append);
    return process.startDetached();
}

bool QueuedUploader::uploaderRunning() const
{
    return platform::companionListening(platform::companionName(QFileInfo(m_queuePath).absolutePath()));
}

bool QueuedUploader::resumePending()
{
    return queue().hasUnfinishedJobs() && startUploader();
}

QString QueuedUploader::UploadToDropBox(const QString &accessToken, const QString &tokenSecret,
                                        const QString &photoList, int uploadSize, const QString &folder)
{
    return queueJob(Service::Dropbox, accessToken, tokenSecret, photoList, {}, uploadSize, folder, {});
}

QString QueuedUploader::UploadToGoogle(const QString &accessToken, const QString &photoList, int uploadSize,
                                       const QString &folder)
{
    return queueJob(Service::Google, accessToken, {}, photoList, {}, uploadSize, folder, {});
}

QString QueuedUploader::UploadToSkydrive(const QString &accessToken, const QString &photoList, int uploadSize,
                                         const QString &folder)
{
    return queueJob(Service::SkyDrive, accessToken, {}, photoList, {}, uploadSize, folder, {});
}

QString QueuedUploader::UploadToFacebook(const QString &accessToken, const QString &photoList,
                                         const QString &remarksList, int uploadSize, const QString &privacy,
                                         const QString &albumId)
{
    return queueJob(Service::Facebook, accessToken, {}, photoList, remarksList, uploadSize, albumId, privacy);
}

QString QueuedUploader::UploadToRemote(const QString &remote, const QString &photoList,
                                       const QStringList &names, int uploadSize, const QString &folder)
{
    UploadJobSpec spec;
    spec.service = ServiceId::rcloneRemote(remote);
    spec.items = uncheckedItems(splitPhotoList(photoList));
    for (qsizetype i = 0; i < spec.items.size(); ++i)
        spec.items[i].name = names.value(i);
    spec.uploadSize = uploadSize;
    spec.target = folder;
    spec.keepMetadata = m_keepMetadata && m_keepMetadata();
    return addJob(std::move(spec));
}

QString QueuedUploader::UploadToFlickr(const QString &token, const QString &photoList,
                                       const QString &remarksList, int uploadSize)
{
    return queueJob(Service::Flickr, token, {}, photoList, remarksList, uploadSize, {}, {});
}

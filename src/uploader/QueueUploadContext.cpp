#include "uploader/QueueUploadContext.h"

#include "core/SettingsStore.h"
#include "uploader/UploadQueue.h"

#include <QtDebug>

QueueUploadContext::QueueUploadContext(QString queuePath, QString settingsFile)
    : m_queuePath(std::move(queuePath)), m_settingsFile(std::move(settingsFile))
{
}

QueueUploadContext::~QueueUploadContext() = default;

UploadQueue &QueueUploadContext::queue()
{
    if (!m_queue)
        m_queue = std::make_unique<UploadQueue>(m_queuePath);
    return *m_queue;
}

QString QueueUploadContext::note(const QueuedPhoto &photo)
{
    return queue().note(photo.job, photo.seq);
}

void QueueUploadContext::keepNote(const QueuedPhoto &photo, const QString &note)
{
    // A note that could not be kept costs a restart of the photo at worst.
    if (!queue().keepNote(photo.job, photo.seq, note))
        qWarning().noquote() << "upload queue:" << queue().errorText();
}

QList<QueuedPhoto> QueueUploadContext::photosOf(const QString &job)
{
    return queue().photos(job);
}

QString QueueUploadContext::token(const QueuedJob &job)
{
    const QString stored = queue().job(job.id).token;
    return stored.isEmpty() ? job.token : stored;
}

void QueueUploadContext::keepToken(const QueuedJob &job, const QString &token)
{
    if (!queue().renewToken(job.id, token))
        qWarning().noquote() << "upload queue:" << queue().errorText();
}

QString QueueUploadContext::setting(const QString &key)
{
    if (m_settingsFile.isEmpty())
        return {};
    return SettingsStore(m_settingsFile).readOr(key);
}

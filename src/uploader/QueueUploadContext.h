#pragma once

#include "uploader/UploadProtocol.h"

#include <memory>

class UploadQueue;

// An upload call's context on a worker thread: a queue connection of its
// own, opened at the first use (most calls never need it), and the
// program's settings file, read at each look-up so a sign-in or a revoke in
// Flazz meanwhile is what counts.
class QueueUploadContext : public UploadContext
{
public:
    QueueUploadContext(QString queuePath, QString settingsFile);
    ~QueueUploadContext() override;

    QString note(const QueuedPhoto &photo) override;
    void keepNote(const QueuedPhoto &photo, const QString &note) override;
    QList<QueuedPhoto> photosOf(const QString &job) override;
    QString token(const QueuedJob &job) override;
    void keepToken(const QueuedJob &job, const QString &token) override;
    QString setting(const QString &key) override;

private:
    UploadQueue &queue();

    QString m_queuePath;
    QString m_settingsFile;
    std::unique_ptr<UploadQueue> m_queue;
};

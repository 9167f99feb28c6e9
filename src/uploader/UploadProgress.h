#pragma once

#include "uploader/UploadQueue.h"

#include <QObject>
#include <QTimer>

#include <memory>

// Where the tray shows the background uploads: a line for its tooltip and a
// notification when a job ends (or stops for want of a sign-in).
class UploadNotices
{
public:
    virtual ~UploadNotices() = default;
    // Empty when nothing is uploading.
    virtual void showUploadStatus(const QString &status) = 0;
    virtual void notifyUpload(const QString &title, const QString &message) = 0;
};

// The texts, from the queue's job summaries.
namespace UploadTexts {
// One line per running job: "Uploading 23 of 100 to Dropbox".
QString status(const QList<JobSummary> &jobs);
// What the user is told when a job has ended or stopped; names the failures.
QString notice(const JobSummary &job);
} // namespace UploadTexts

// Polls the queue (which flazz-uploader keeps current) and tells the tray.
// Each ended or stopped job is announced once, whichever copy of Flazz sees
// it first.
class UploadWatch : public QObject
{
    Q_OBJECT
public:
    UploadWatch(QString queuePath, UploadNotices &notices, int intervalMs = 2000, QObject *parent = nullptr);
    ~UploadWatch() override;

    void start();
    // One look at the queue (the timer calls it).
    void poll();

private:
    QString m_queuePath;
    UploadNotices &m_notices;
    QTimer m_timer;
    QString m_lastStatus;
    std::unique_ptr<UploadQueue> m_queue;
};

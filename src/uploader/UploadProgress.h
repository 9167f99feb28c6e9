#pragma once

#include "uploader/UploadQueue.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <functional>
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
// "Dropbox", "Flickr", "Google Drive", "SkyDrive", "Facebook".
QString serviceName(const QString &service);
// One line per job not done: what was sent, what is on its way, and what
// waits and why ("Dropbox: 3 of 10 sent, 2 on their way, 5 retrying in
// 12 s: Service Unavailable"). `uploaderRunning` false: the photos left
// wait for the uploader.
QString status(const QList<JobSummary> &jobs, bool uploaderRunning = true,
               qint64 now = QDateTime::currentMSecsSinceEpoch());
// What the user is told when a job has ended or stopped; names the failures.
QString notice(const JobSummary &job);
// A line for the exit question: how many photos are still to be sent and
// what becomes of them; empty when none is.
QString exitNote(const QList<JobSummary> &jobs);
} // namespace UploadTexts

// Polls the queue (which flazz-uploader keeps current) and tells the tray.
// Each ended or stopped job is announced once, whichever copy of Flazz sees
// it first. A job that waits while no uploader runs (it ended, died or
// never started) is said to wait for it, and the uploader is started again.
class UploadWatch : public QObject
{
    Q_OBJECT
public:
    UploadWatch(QString queuePath, UploadNotices &notices, int intervalMs = 2000, QObject *parent = nullptr);
    ~UploadWatch() override;

    // How to tell whether the uploader runs, and how to start it again.
    void setUploader(std::function<bool()> running, std::function<bool()> restart);

    void start();
    // One look at the queue (the timer calls it).
    void poll();
    // The exit question's line, from the queue as it is now.
    QString exitNote();

private:
    UploadQueue *queue();

    QString m_queuePath;
    UploadNotices &m_notices;
    QTimer m_timer;
    QString m_lastStatus;
    std::unique_ptr<UploadQueue> m_queue;
    std::function<bool()> m_running;
    std::function<bool()> m_restart;
    int m_missed = 0; // looks in a row that found work and no uploader
};

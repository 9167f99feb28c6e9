#pragma once

#include "uploader/UploadItem.h"
#include "webkit/ServiceId.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

// What Flazz hands the uploader for one click on a destination.
struct UploadJobSpec
{
    ServiceId service;
    // The signed-in account's id as the settings keep it; empty where the
    // service's sign-in records none. Sends are remembered per account.
    QString account;
    QString token;
    QString tokenSecret;     // OAuth 1.0 services only
    QList<UploadItem> items; // in photo-set order
    int uploadSize = 0;      // longer side in pixels; 0 sends the original bytes
    QString target;          // folder or album
    QString privacy;
    // The photos leave with every tag they carry, as the user chose when the
    // job was queued; otherwise with their story only (see PhotoMetadata.h).
    bool keepMetadata = false;
    // More photos follow (appendPhotos) until sealJob: the uploader sends
    // what is there and waits for the rest.
    bool open = false;
};

// Items for paths nothing was checked of (no identity: the uploader then
// only refuses what is not a plain file), with their remarks.
QList<UploadItem> uncheckedItems(const QStringList &paths, const QStringList &remarks = {});

// A job as the queue keeps it.
struct QueuedJob
{
    QString id;
    ServiceId service;
    QString account;
    QString token;
    QString tokenSecret;
    int uploadSize = 0;
    QString target;
    QString privacy;
    QString state; // "open", "stopped" (waits for a new sign-in), "ended"
    QString reason;
    bool keepMetadata = false;
    qint64 created = 0; // ms since the epoch
};

// One photo of a job as the queue keeps it.
struct QueuedPhoto : UploadItem
{
    QString job;
    int seq = 0;
    QString state; // "queued", "sending", "sent", "failed"
    QString remoteId;
    QString reason;
    int attempts = 0;
    qint64 notBefore = 0; // ms since the epoch; a photo in back-off waits until then
};

// A photo that arrived, as the send history keeps it.
struct SentRecord
{
    QString digest; // SHA-256 of the file's content, hex
    ServiceId service;
    QString account;
    QString target; // folder or album
    QString remoteId;
    QString path;
    qint64 sent = 0; // ms since the epoch
};

// Where a job stands, for the tray.
struct JobSummary
{
    QString id;
    ServiceId service;
    QString state;
    QString reason;
    int total = 0;
    int sent = 0;
    int failed = 0;
    int sending = 0;        // on their way now
    int retrying = 0;       // waiting out a back-off
    qint64 nextAttempt = 0; // ms since the epoch: the earliest retry
    QString retryReason;    // why that photo waits
    QStringList failures;   // "<file name>: <reason>"
    bool announced = false;
};

// The durable queue between Flazz and flazz-uploader: one SQLite file in the
// data folder, written only in committed transactions with a full sync, so a
// job Flazz was told about survives any crash of either program, and a
// photo's state on disk is never behind what was done with it. The file holds
// tokens, so it is readable by its owner only. Each instance is one
// connection, to be used on the thread that made it; several processes may
// share the file (SQLite's locking, with a generous busy time-out).
class UploadQueue
{
public:
    explicit UploadQueue(const QString &path);
    ~UploadQueue();

    UploadQueue(const UploadQueue &) = delete;
    UploadQueue &operator=(const UploadQueue &) = delete;

    // "<data folder>Uploads.db".
    static QString pathIn(const QString &dataFolder);
    // The queue in this machine's Flazz data folder, the one the program,
    // the uploader and the command line share.
    static QString defaultPath();
    // Where the copies scaled when a job was queued wait for the uploader:
    // "Prepared" beside the queue file, a folder per job.
    static QString preparedFolderOf(const QString &queuePath);

    bool isOpen() const { return m_open; }
    QString errorText() const { return m_error; }
    QString path() const { return m_path; }

    // Stores the job and its photos in one committed transaction and returns
    // its id; raises ToolkitError when it cannot be stored. Jobs of the same
    // service stopped by a refused token take the new token and go on.
    QString addJob(const UploadJobSpec &spec);

    QList<QueuedJob> jobs(const QString &state) const;
    // Every job, the newest first.
    QList<QueuedJob> allJobs() const;
    QueuedJob job(const QString &id) const;
    // The job's photos still to do ("queued" or "sending"), in order.
    QList<QueuedPhoto> pendingPhotos(const QString &job) const;
    QList<QueuedPhoto> photos(const QString &job) const;
    bool hasUnfinishedJobs() const;

    // Each change is committed before it returns; false when it could not be.
    bool markSending(const QString &job, int seq);
    // Also remembers the photo in the send history, in the same commit, when
    // its content digest is known.
    bool markSent(const QString &job, int seq, const QString &remoteId);
    bool markFailed(const QString &job, int seq, const QString &reason);
    // Back to "queued", not to be tried before `notBefore`, one attempt more.
    bool markRetry(const QString &job, int seq, qint64 notBefore, const QString &reason);
    // The service refused the job's credentials: nothing of it moves until a
    // new token comes; photos being sent go back to "queued".
    bool stopJob(const QString &job, const QString &reason);
    // The next photos of a job added open, after those it has; raises
    // ToolkitError when they cannot be stored.
    void appendPhotos(const QString &job, const QList<UploadItem> &items);
    // No more photos come to the job; raises ToolkitError when that cannot
    // be stored.
    void sealJob(const QString &job);
    // Ends the job when none of its photos is left to do and none is to come.
    // A job left open by a program that died while adding ends all the same
    // once it has heard nothing for a while.
    bool endJobIfDone(const QString &job);

    // The send history, the newest first: of one service (all when empty),
    // sent at or after `since` (ms since the epoch).
    QList<SentRecord> history(const ServiceId &service = {}, qint64 since = 0) const;
    // The latest send of each of `digests` to that service, account and
    // folder, by digest; those never sent there are absent.
    QHash<QString, SentRecord> sentBefore(const ServiceId &service, const QString &account,
                                          const QString &target, const QStringList &digests) const;
    bool clearHistory();

    QList<JobSummary> summaries() const;
    // The tray told the user about the job's end (or its stop).
    bool markAnnounced(const QString &job);

    // What an upload call keeps beside one photo across attempts and runs;
    // an empty note removes it.
    QString note(const QString &job, int seq) const;
    bool keepNote(const QString &job, int seq, const QString &note);
    // The service renewed the job's access token mid-job.
    bool renewToken(const QString &job, const QString &token);

private:
    bool exec(const QString &sql, const QVariantList &values = {}) const;
    bool hasColumn(const QString &table, const QString &column) const;
    bool transaction(const std::function<bool()> &work);
    bool insertPhotos(const QString &job, int first, const QList<UploadItem> &items);

    QString m_path;
    QString m_connection;
    bool m_open = false;
    mutable QString m_error;
};

#pragma once

#include "sandbox/SandboxService.h"
#include "sandbox/StandinServer.h"

#include <QHash>
#include <QJsonObject>

#include <mutex>

// Google Drive version 2's upload host: multipart uploads and resumable
// sessions into a folder of the account, and the folder's children searched
// by private property. Bearer tokens are checked against the "Google" state;
// every file that arrives is kept per account and folder. A resumable
// session holds the bytes it took (whole multiples of 256 KiB until the
// last), answers "308 Resume Incomplete" with the Range it holds, and can be
// cut part-way on demand, as a dropped connection leaves it.
class GoogleUploadService : public SandboxService
{
public:
    QString name() const override { return QStringLiteral("GoogleUpload"); }
    QString sharesServerWith() const override { return QStringLiteral("Google"); }
    void install(StandinServer &server, SandboxStore &store) override;
    // The upload path lives on the Drive API host, which the sign-in and
    // listing stand-in points at its server: nothing of its own to set.
    void configure(ServiceConfig &, const QString &) const override {}
    QString pageSection(const SandboxStore &store) const override;

    // The next resumable chunk that reaches `fraction` of its file is cut
    // there (to the 256 KiB below) and answered 503, as a dropped
    // connection leaves a session.
    void cutNextChunkAt(double fraction);
    // Open sessions end, as the service ends them after a week.
    void forgetSessions();

private:
    struct Session
    {
        QString account;
        QJsonObject metadata;
        QString mimeType;
        qint64 total = -1;
        QByteArray held;
        QJsonObject done; // the file resource once complete
    };

    StandinAnswer insert(const StandinRequest &request);
    StandinAnswer put(const StandinRequest &request);
    StandinAnswer children(const StandinRequest &request);
    // Checks the parents and keeps the file; the file resource or an error.
    StandinAnswer keep(const QString &account, const QJsonObject &metadata, const QString &mimeType,
                       const QByteArray &bytes);

    SandboxStore *m_store = nullptr;
    std::mutex m_mutex;
    QHash<QString, Session> m_sessions;
    double m_cutAt = -1;
    int m_nextId = 1;
};

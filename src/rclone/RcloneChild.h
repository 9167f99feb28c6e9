#pragma once

#include "rclone/RcloneSetup.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <memory>

class QProcess;
class QTemporaryDir;

// An rclone that serves for as long as its owner wants it (the daemon, a
// WebDAV server) and never longer than its owner's process. It logs to a
// file in a private folder, not a pipe: nobody has to keep reading what it
// says for as long as it runs, and its start-up line and any complaint are
// there to read.
class RcloneChild
{
public:
    RcloneChild();
    ~RcloneChild();

    RcloneChild(const RcloneChild &) = delete;
    RcloneChild &operator=(const RcloneChild &) = delete;

    // Starts rclone with `args` and `env` and waits (in a local event loop)
    // until its log shows `ready`, whose first capture is returned. Empty,
    // with failure() set, when it did not get there within `deadlineMs`.
    QString start(const RcloneSetup &setup, const QStringList &args, const QProcessEnvironment &env,
                  const QRegularExpression &ready, int deadlineMs);
    bool running() const;
    QString failure() const { return m_failure; }
    // Asks it to end, then ends it after `graceMs`.
    void stop(int graceMs = 3000);

private:
    QString log() const;

    std::unique_ptr<QProcess> m_process;
    std::unique_ptr<QTemporaryDir> m_logFolder;
    QString m_failure;
};

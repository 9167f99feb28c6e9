#pragma once

#include "rclone/RcloneChild.h"
#include "rclone/RcloneSetup.h"

#include <QString>

// A WebDAV server on 127.0.0.1 serving one folder through "rclone serve
// webdav", with a user name and password made up for the run, and a remote
// for it in a configuration file of its own: the sandbox's remote that a new
// user can send to and watch the photos land, and the remote tests send to.
class RcloneWebdavServer
{
public:
    RcloneWebdavServer(RcloneSetup setup, QString folder);

    // Starts serving; false with failure() when it cannot within `deadlineMs`.
    bool start(int deadlineMs = 20000);
    void stop()
    {
        m_child.stop();
        m_url.clear();
    }
    QString failure() const { return m_failure; }
    QString url() const { return m_url; } // "http://127.0.0.1:PORT"
    QString user() const { return m_user; }
    QString password() const { return m_password; }

    // Puts remote `remoteName` for this server into `configFile` (made
    // owner-only; a remote of that name there before is replaced, the others
    // kept). The password goes in obscured, as rclone keeps them.
    bool addToConfig(const QString &configFile, const QString &remoteName, QString *error) const;

private:
    RcloneSetup m_setup;
    QString m_folder;
    RcloneChild m_child;
    QString m_failure;
    QString m_url;
    QString m_user;
    QString m_password;
};

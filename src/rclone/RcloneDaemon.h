#pragma once

#include "rclone/RcloneChild.h"
#include "rclone/RcloneSetup.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMutex>
#include <QString>

// One answer of rclone's remote control.
struct RcloneAnswer
{
    enum class Kind
    {
        Ok,
        Failed,     // rclone answered with an error (`error` says what)
        Unreachable // no answer: rclone is not running, or took too long
    };
    Kind kind = Kind::Unreachable;
    QJsonObject result;
    QString error; // already redacted

    bool ok() const { return kind == Kind::Ok; }
};

// One "rclone rcd" of our own: started on demand, listening on 127.0.0.1 on
// a port the system picks, answering only to a user name and password made
// up for this run (handed over in its environment, which other users cannot
// read, never on its command line, which they can). One process serves every
// call: it keeps its connections and a remote's renewed token from one photo
// to the next, where one rclone per call would start up (about 0.1 s of CPU),
// connect and maybe renew the token each time, and several at once could
// race each other writing the renewed token into the configuration.
//
// start() and the destructor belong to the thread that made the object (its
// process is a child of that thread); call() and upload() may run on any
// thread at once, each call an HTTP exchange of its own.
class RcloneDaemon
{
public:
    explicit RcloneDaemon(RcloneSetup setup);
    ~RcloneDaemon();

    RcloneDaemon(const RcloneDaemon &) = delete;
    RcloneDaemon &operator=(const RcloneDaemon &) = delete;

    // Starts rclone when it is not running (again, when it died); false with
    // failure() when it cannot be started within `deadlineMs`. Waits in a
    // local event loop, so windows keep painting meanwhile.
    bool start(int deadlineMs = 20000);
    bool running() const;
    // Why the last start failed, ready for the user.
    QString failure() const { return m_failure; }
    const RcloneSetup &setup() const { return m_setup; }

    // A remote-control call, e.g. call("operations/list", {{"fs", "name:"}}).
    RcloneAnswer call(const QString &method, const QJsonObject &params, int deadlineMs) const;
    // Writes `bytes` to `fileName` in `folder` of remote `fs` ("name:"); an
    // existing file of that name is replaced, so callers pick names that
    // are theirs.
    RcloneAnswer upload(const QString &fs, const QString &folder, const QString &fileName,
                        const QByteArray &bytes, int deadlineMs) const;

private:
    RcloneAnswer post(const QString &path, const QByteArray &contentType, const QByteArray &body,
                      int deadlineMs) const;
    void stop();

    RcloneSetup m_setup;
    RcloneChild m_child;
    QString m_failure;
    mutable QMutex m_mutex; // guards the two below, written by start()
    QString m_base;         // "http://127.0.0.1:PORT"
    QByteArray m_authorization;
};

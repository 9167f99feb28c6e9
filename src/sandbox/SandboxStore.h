#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <mutex>

// What the sandbox keeps between runs, in a folder of its own: per service a
// small JSON state (accounts, tokens, albums, folders) and the files that
// arrived, so that a token issued yesterday still works today and a new user
// sees their photos land. Safe to use from several server threads at once.
// The folder is the owner's alone: it holds tokens and other people's photos.
//
//   <folder>/<service>/state.json
//   <folder>/<service>/files/<relative path>
class SandboxStore
{
public:
    explicit SandboxStore(QString folder);

    QString folder() const { return m_folder; }

    // The service's state; an empty object before anything was kept.
    QJsonObject state(const QString &service) const;
    // Runs `change` on the service's state under the store's lock and saves
    // the result atomically; returns the state as saved.
    QJsonObject update(const QString &service, const std::function<void(QJsonObject &)> &change);
    // Marks every token of the service's "tokens" expired, so that the
    // renewal paths run; returns how many were still good.
    int expireTokens(const QString &service);
    // Marks one token expired; false when the service never issued it.
    bool expireToken(const QString &service, const QString &token);

    // Keeps `bytes` as `relativePath` under the service's files folder.
    // Path parts are made safe (no "..", no absolute paths, no empty parts);
    // an existing file is never overwritten: the name gets " (1)", " (2)"...
    // before its extension. Returns the relative path used, empty on failure.
    QString keepFile(const QString &service, const QString &relativePath, const QByteArray &bytes);
    // The relative paths of the service's kept files, sorted.
    QStringList files(const QString &service) const;
    // The bytes of a kept file; empty when there is none, or when the path
    // (links included) leads out of the service's files.
    QByteArray fileBytes(const QString &service, const QString &relativePath) const;
    // Where the sandbox page serves a kept file from (a path on its server).
    static QString fileUrl(const QString &service, const QString &relativePath);

    // Whether any of `services` kept something (state or a file) within the
    // last `seconds` of this run: something is happening there.
    bool changedLately(const QStringList &services, int seconds = 30) const;

private:
    QString serviceFolder(const QString &service) const;
    QString safeRelative(const QString &relativePath) const;
    // Expires `token`, or every token when it is empty; returns how many
    // were found.
    int expire(const QString &service, const QString &token, int *stillGood);

    void changed(const QString &service);

    QString m_folder;
    mutable std::mutex m_mutex;
    std::map<QString, qint64> m_changed; // per service, msecs since the epoch
};

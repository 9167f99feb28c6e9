#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QLocalServer;
class QLocalSocket;

namespace platform {

// Lets a later start of the program hand the files and folders it was given
// to the copy that already runs, instead of becoming a second copy with an
// empty set. The running copy listens on a local socket in the folder of the
// instance locks (the user's runtime folder), open to its owner only; the
// socket is named after the program and its data folder, so copies working
// on other data folders never meet.
class PathHandOff : public QObject
{
    Q_OBJECT
public:
    // Most a later start may hand over at once.
    static constexpr int MaxPaths = 10000;
    static constexpr int MaxBytes = 4 * 1024 * 1024;

    PathHandOff(const QString &program, const QString &dataFolder, QObject *parent = nullptr);
    ~PathHandOff() override;

    // The running copy: `received` gets the paths of each later start, from
    // the event loop, once that start has been told they arrived. Only the
    // copy that holds the instance lock may listen: a socket left by a copy
    // that died is taken over.
    bool listen(std::function<void(const QStringList &paths)> received);

    // A later start: true once the running copy has taken `paths` (absolute).
    bool handOver(const QStringList &paths, int timeoutMs = 5000) const;

    QString socketPath() const { return m_path; }

private:
    void read(QLocalSocket *socket);

    QString m_path;
    QLocalServer *m_server = nullptr;
    std::function<void(const QStringList &)> m_received;
};

} // namespace platform

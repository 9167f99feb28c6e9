#include "platform/PathHandOff.h"

#include "platform/InstanceGuard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace platform {

namespace {

// Paths travel as UTF-8, each ended by a NUL (which no path contains); an
// empty one ends the message. The running copy answers "ok".
constexpr char kAck[] = "ok";
constexpr int kConnectionLifeMs = 10000;

QByteArray encode(const QStringList &paths)
{
    QByteArray message;
    for (const QString &path : paths)
        message += path.toUtf8() + '\0';
    message += '\0';
    return message;
}

bool complete(const QByteArray &buffer)
{
    return buffer == QByteArray(1, '\0') || buffer.endsWith(QByteArray(2, '\0'));
}

} // namespace

PathHandOff::PathHandOff(const QString &program, const QString &dataFolder, QObject *parent) : QObject(parent)
{
    // A socket's path is short (about a hundred bytes), and a data folder
    // may be long: the folder goes in as its digest.
    const QByteArray digest =
        QCryptographicHash::hash(QDir::cleanPath(dataFolder).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    m_path =
        QDir(InstanceGuard::lockFolder()).filePath(program + u'.' + QString::fromLatin1(digest) + u".paths");
}

PathHandOff::~PathHandOff() = default;

bool PathHandOff::listen(std::function<void(const QStringList &)> received)
{
    m_received = std::move(received);
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket *socket = m_server->nextPendingConnection()) {
                connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
                // A start that connects and says nothing is not waited for.
                QTimer::singleShot(kConnectionLifeMs, socket, [socket] { socket->abort(); });
                read(socket);
            }
        });
    }
    if (m_server->isListening())
        return true;
    QLocalServer::removeServer(m_path);
    return m_server->listen(m_path);
}

void PathHandOff::read(QLocalSocket *socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray();
    buffer += socket->readAll();
    if (buffer.size() > MaxBytes) {
        socket->abort();
        return;
    }
    socket->setProperty("buffer", buffer);
    if (!complete(buffer))
        return;
    socket->setProperty("buffer", QByteArray());

    QStringList paths;
    for (const QByteArray &path : buffer.split('\0')) {
        if (!path.isEmpty())
            paths << QString::fromUtf8(path);
    }
    if (paths.size() > MaxPaths) {
        socket->abort();
        return;
    }
    socket->write(kAck);
    socket->flush();
    if (!paths.isEmpty() && m_received) {
        // The answer goes first: adding photos may take a while, and the
        // start that handed them over is waiting only to end.
        QTimer::singleShot(0, this, [this, paths] { m_received(paths); });
    }
}

bool PathHandOff::handOver(const QStringList &paths, int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(encode(paths));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(timeoutMs))
            return false;
    }
    QByteArray answer;
    while (answer.size() < int(sizeof kAck - 1) && socket.waitForReadyRead(timeoutMs))
        answer += socket.readAll();
    return answer.startsWith(kAck);
}

} // namespace platform

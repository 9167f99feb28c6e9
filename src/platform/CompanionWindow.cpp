#include "platform/CompanionWindow.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

namespace platform {

namespace {

QString folderKey(const QString &dataFolder)
{
    // The same folder however it was written: trailing separator, links.
    QString folder = QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath());
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (!canonical.isEmpty())
        folder = canonical;
    return QString::fromLatin1(
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
}

} // namespace

QString runtimeFolder()
{
    QString dir;
    const QString root = qEnvironmentVariable("FLAZZ_SHELL_ROOT");
    if (!root.isEmpty())
        dir = QDir(root).filePath(QStringLiteral("run"));
    else
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::temp().filePath(QStringLiteral("flazz-runtime-") + qEnvironmentVariable("USER"));
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return dir;
}

QString companionName(const QString &dataFolder)
{
    return QDir(runtimeFolder()).filePath(QStringLiteral("FlazzCom-") + folderKey(dataFolder));
}

QString companionLockPath(const QString &dataFolder)
{
    return QDir(runtimeFolder())
        .filePath(QStringLiteral("FlazzUploader-") + folderKey(dataFolder) + QStringLiteral(".lock"));
}

bool closeCompanion(const QString &name, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(name, QIODevice::WriteOnly);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write("close");
    const bool sent = socket.waitForBytesWritten(timeoutMs) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return sent;
}

bool companionListening(const QString &name, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(name, QIODevice::ReadOnly);
    const bool listening = socket.waitForConnected(timeoutMs);
    socket.abort();
    return listening;
}

} // namespace platform

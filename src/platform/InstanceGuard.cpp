#include "platform/InstanceGuard.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace platform {

QString InstanceGuard::lockFilePath(const QString &name)
{
    QString dir = qEnvironmentVariable("FLAZZ_SHELL_ROOT");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    return dir + QStringLiteral("/") + name + QStringLiteral(".instance.lock");
}

InstanceGuard::InstanceGuard(const QString &name) : m_lock(std::make_unique<QLockFile>(lockFilePath(name)))
{
    // A lock left behind by a crashed copy is stale at once: the owner's pid
    // is checked, so there is no reason to wait for it to age.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0))
        m_prevInstance = m_lock->error() == QLockFile::LockFailedError;
}

InstanceGuard::~InstanceGuard() = default;

} // namespace platform

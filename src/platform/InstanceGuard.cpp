#include "platform/InstanceGuard.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <QUuid>

namespace platform {

QString InstanceGuard::lockFolder()
{
    QString dir = qEnvironmentVariable("FLAZZ_SHELL_ROOT");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    return dir;
}

InstanceGuard::InstanceGuard(const QString &name)
{
    const QDir folder(lockFolder());
    // One copy at a time looks for the others and registers itself, so two
    // copies started at the same moment still see each other. A gate left
    // by a crashed copy is stale at once (its owner's pid is checked), and
    // one that stays busy for seconds is no reason not to start at all.
    QLockFile gate(folder.filePath(name + QStringLiteral(".instance.gate")));
    gate.setStaleLockTime(0);
    gate.tryLock(5000);

    const QString prefix = name + QStringLiteral(".instance.");
    const QStringList locks =
        folder.entryList({prefix + QStringLiteral("*.lock")}, QDir::Files | QDir::Hidden);
    for (const QString &lock : locks) {
        QLockFile other(folder.filePath(lock));
        other.setStaleLockTime(0);
        if (other.tryLock(0)) {
            other.unlock(); // left by a copy that is gone: tidied away
        } else if (other.error() == QLockFile::LockFailedError) {
            m_prevInstance = true;
        }
    }

    // The process id alone would not do: tests run several guards in one process.
    const QString own = prefix + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-') +
                        QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".lock");
    m_lock = std::make_unique<QLockFile>(folder.filePath(own));
    m_lock->setStaleLockTime(0);
    m_lock->tryLock(0);
}

InstanceGuard::~InstanceGuard() = default;

} // namespace platform

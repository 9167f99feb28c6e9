#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace platform {

// Tells whether another copy of the program already runs for this user, the
// way the previous-instance test does. The first copy holds a lock for its
// whole life; later copies only look at it.
class InstanceGuard
{
public:
    // `name` distinguishes programs; tests pass their own.
    explicit InstanceGuard(const QString &name = QStringLiteral("Flazz"));
    ~InstanceGuard();

    InstanceGuard(const InstanceGuard &) = delete;
    InstanceGuard &operator=(const InstanceGuard &) = delete;

    // True when another live process holds the lock.
    bool PrevInstance() const { return m_prevInstance; }

    static QString lockFilePath(const QString &name);

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_prevInstance = false;
};

} // namespace platform

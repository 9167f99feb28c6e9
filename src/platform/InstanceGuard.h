#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace platform {

// Tells whether another copy of the program already runs for this user, the
// way the previous-instance test does. Every copy, whatever it was started
// with, holds a lock of its own for its whole life, so that a copy counts
// as running until it ends, not only the first one.
class InstanceGuard
{
public:
    // `name` distinguishes programs; tests pass their own.
    explicit InstanceGuard(const QString &name = QStringLiteral("Flazz"));
    ~InstanceGuard();

    InstanceGuard(const InstanceGuard &) = delete;
    InstanceGuard &operator=(const InstanceGuard &) = delete;

    // True when another live copy held its lock when this one started.
    bool PrevInstance() const { return m_prevInstance; }

    // The folder where the copies keep their locks.
    static QString lockFolder();

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_prevInstance = false;
};

} // namespace platform

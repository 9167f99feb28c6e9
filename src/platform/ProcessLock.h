#pragma once

#include <QString>

#include <memory>

namespace platform {

// A lock on a file that the system lets go of when its process ends,
// however it ends. A lock file that only exists while held outlives a
// killed holder, and one killed while writing its name into it leaves a
// file that names no one and can never be judged stale: every later copy
// would step aside for it for ever.
class ProcessLock
{
public:
    explicit ProcessLock(QString path);
    ~ProcessLock();
    ProcessLock(const ProcessLock &) = delete;
    ProcessLock &operator=(const ProcessLock &) = delete;

    // Takes the lock when no process holds it; never waits.
    bool tryLock();
    void unlock();

private:
    struct Held;
    QString m_path;
    std::unique_ptr<Held> m_held;
};

} // namespace platform

#include "platform/ProcessLock.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <QLockFile>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace platform {

#ifdef Q_OS_WIN
// No flock here; QLockFile is the nearest this system offers.
struct ProcessLock::Held
{
    QLockFile file;
    explicit Held(const QString &path) : file(path) { file.setStaleLockTime(0); }
};

bool ProcessLock::tryLock()
{
    if (m_held)
        return true;
    auto held = std::make_unique<Held>(m_path);
    if (!held->file.tryLock(0))
        return false;
    m_held = std::move(held);
    return true;
}
#else
struct ProcessLock::Held
{
    int fd = -1;
    ~Held()
    {
        if (fd >= 0)
            ::close(fd); // also lets go of the lock
    }
};

bool ProcessLock::tryLock()
{
    if (m_held)
        return true;
    auto held = std::make_unique<Held>();
    held->fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (held->fd < 0 || ::flock(held->fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    m_held = std::move(held);
    return true;
}
#endif

ProcessLock::ProcessLock(QString path) : m_path(std::move(path)) {}

ProcessLock::~ProcessLock() = default;

void ProcessLock::unlock()
{
    // The file stays: removing it would let a copy that opened it a moment
    // ago lock a file no one else can find.
    m_held.reset();
}

} // namespace platform

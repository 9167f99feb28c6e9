#include "platform/ChildProcess.h"

#include <QProcess>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#endif

namespace platform {

void endWithParent(QProcess &process)
{
#ifdef Q_OS_LINUX
    const pid_t parent = getpid();
    process.setChildProcessModifier([parent] {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The parent may have gone between fork and prctl.
        if (getppid() != parent)
            _exit(1);
    });
#else
    Q_UNUSED(process);
#endif
}

} // namespace platform

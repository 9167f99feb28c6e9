#include "platform/StopRequests.h"

#include <QCoreApplication>
#include <QPointer>

#include <cerrno>
#include <cstdio>
#include <thread>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#else
#include <windows.h>
#endif

namespace platform {

namespace {

#ifdef Q_OS_UNIX
// A signal handler may only write to a descriptor; the event loop reads the
// other end. The one piece of process-wide state the signal interface forces.
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}
#else
QPointer<QObject> g_stopContext;
std::function<void()> *g_stopCallback = nullptr;

BOOL WINAPI onConsoleEvent(DWORD)
{
    if (g_stopContext && g_stopCallback)
        QMetaObject::invokeMethod(g_stopContext.data(), *g_stopCallback, Qt::QueuedConnection);
    return TRUE;
}
#endif

} // namespace

void onStopRequest(QObject *context, std::function<void()> onStop)
{
#ifdef Q_OS_UNIX
    if (g_signalPipe[0] >= 0 || ::pipe(g_signalPipe) != 0)
        return;
    ::fcntl(g_signalPipe[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(g_signalPipe[1], F_SETFD, FD_CLOEXEC);
    ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [onStop = std::move(onStop)] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[0], &byte, 1);
        onStop();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &action, nullptr);
#else
    g_stopContext = context;
    g_stopCallback = new std::function<void()>(std::move(onStop));
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#endif
}

void onStandardInputClosed(QObject *context, std::function<void()> onClosed)
{
#ifdef Q_OS_UNIX
    auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [notifier, onClosed = std::move(onClosed)] {
                         char buffer[4096];
                         const auto got = ::read(STDIN_FILENO, buffer, sizeof buffer);
                         if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) {
                             notifier->setEnabled(false);
                             onClosed();
                         }
                     });
#else
    // Console and pipe handles cannot be waited on with the event loop here,
    // so a thread of its own reads until the end.
    QPointer<QObject> guard(context);
    std::thread([guard, onClosed = std::move(onClosed)] {
        char buffer[4096];
        while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
        }
        if (guard)
            QMetaObject::invokeMethod(guard.data(), onClosed, Qt::QueuedConnection);
    }).detach();
#endif
}

} // namespace platform

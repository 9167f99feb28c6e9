#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

// Waits in a local event loop, so windows keep painting, until `done` says
// so or `deadlineMs` passed; returns what `done` says last. rclone's
// children write to files and pipes that are looked at every few ms.
inline bool waitInLocalLoop(const std::function<bool()> &done, int deadlineMs)
{
    if (done())
        return true;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > deadlineMs)
            loop.quit();
    });
    poll.start(20);
    loop.exec();
    return done();
}

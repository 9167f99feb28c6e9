#pragma once

#include <QtGlobal>

// When a photo that failed for a passing reason is tried again: what the
// service asked for (Retry-After), else a doubling wait from `baseMs`, never
// more than `capMs`. After `maxAttempts` tries the photo fails for good with
// the last reason, so a service that never comes back ends the job.
struct RetryPolicy
{
    int baseMs = 2000;
    int capMs = 5 * 60 * 1000;
    int maxAttempts = 8;

    // The wait before attempt `attempts + 1`, `attempts` tries having failed.
    qint64 delayMs(int attempts, int retryAfterSeconds) const
    {
        if (retryAfterSeconds >= 0)
            return qint64(retryAfterSeconds) * 1000;
        const int doublings = qBound(0, attempts - 1, 20);
        return qMin<qint64>(qint64(baseMs) << doublings, capMs);
    }
    bool givesUp(int attempts) const { return attempts >= maxAttempts; }
};

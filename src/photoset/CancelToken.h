#pragma once

#include <atomic>

// A request to stop long work: the window that shows the work sets it (its
// Cancel button), the work looks at it between steps and stops after the
// step at hand. One token per run, so nothing is left set for the next one.
class CancelToken
{
public:
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> m_cancelled{false};
};

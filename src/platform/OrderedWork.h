#pragma once

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace platform {

// Jobs run on worker threads while their results come back strictly in the
// order the jobs were queued: the shape of every long job of the program
// that reads, decodes or sends many files one after the other. The caller
// keeps a few jobs in flight (wantsMore()), so all cores stay busy while at
// most a handful of results sit in memory, and takes the oldest result on
// its own thread, which it keeps responsive through a pump while it waits.
template<class Result> class OrderedWork
{
public:
    // `threads` 0 means one per core.
    explicit OrderedWork(int threads = 0) { setThreads(threads); }
    // Jobs not started yet are skipped; running ones are waited for.
    ~OrderedWork() { abandon(); }

    OrderedWork(const OrderedWork &) = delete;
    OrderedWork &operator=(const OrderedWork &) = delete;

    void setThreads(int threads)
    {
        m_pool.setMaxThreadCount(threads > 0 ? threads : std::max(1, QThread::idealThreadCount()));
    }
    int threads() const { return m_pool.maxThreadCount(); }

    // Two jobs a thread in flight keep every thread busy while the taker
    // catches up.
    bool wantsMore() const { return int(m_queue.size()) < 2 * threads(); }
    bool empty() const { return m_queue.empty(); }

    void push(std::function<Result()> job)
    {
        auto slot = std::make_shared<Slot>();
        m_pool.start([slot, job = std::move(job), abandoned = m_abandoned] {
            slot->fill(abandoned->load() ? Result{} : job());
        });
        m_queue.push_back(std::move(slot));
    }

    // The oldest job's result. While it is not ready `pump` runs every
    // `tick`; when it answers false the wait ends without a result and the
    // job stays queued.
    std::optional<Result> takeFront(const std::function<bool()> &pump = {},
                                    std::chrono::milliseconds tick = std::chrono::milliseconds(15))
    {
        if (m_queue.empty())
            return std::nullopt;
        Slot &slot = *m_queue.front();
        while (!slot.waitFor(tick)) {
            if (pump && !pump())
                return std::nullopt;
        }
        Result result = std::move(slot.result);
        m_queue.pop_front();
        return result;
    }

    // Forgets the oldest job: its result is dropped whenever it comes.
    void dropFront()
    {
        if (!m_queue.empty())
            m_queue.pop_front();
    }

    // Skips every job not started yet and waits for the running ones,
    // pumping meanwhile. The work can be used again afterwards.
    void abandon(const std::function<void()> &pump = {})
    {
        m_abandoned->store(true);
        m_queue.clear();
        while (!m_pool.waitForDone(20)) {
            if (pump)
                pump();
        }
        m_abandoned = std::make_shared<std::atomic_bool>(false);
    }

private:
    struct Slot
    {
        std::mutex mutex;
        std::condition_variable ready;
        bool done = false;
        Result result{};

        void fill(Result r)
        {
            {
                std::lock_guard lock(mutex);
                result = std::move(r);
                done = true;
            }
            ready.notify_one();
        }
        bool waitFor(std::chrono::milliseconds timeout)
        {
            std::unique_lock lock(mutex);
            return ready.wait_for(lock, timeout, [this] { return done; });
        }
    };

    QThreadPool m_pool;
    std::shared_ptr<std::atomic_bool> m_abandoned = std::make_shared<std::atomic_bool>(false);
    std::deque<std::shared_ptr<Slot>> m_queue;
};

} // namespace platform

#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fn {

// A fixed set of worker threads taking tasks from one queue. The thread that posts the tasks
// may help with them (runOne) while it waits for something to finish, so a pool of n - 1
// threads keeps n cores busy. Queued tasks that never ran are dropped when the pool goes;
// tasks must not throw.
class TaskPool
{
public:
    // Why the pool has no threads: the system refused one.
    struct StartFailure
    {
        int started; // threads that had started before
        std::string reason; // the system's
    };

    // Starts threads threads. Should the system refuse one (too many threads, no address
    // space for its stack), those already started are stopped again and the pool is left
    // without threads: the posting thread still runs every task through runOne().
    explicit TaskPool(int threads);
    ~TaskPool();
    TaskPool(const TaskPool&) = delete;
    TaskPool& operator=(const TaskPool&) = delete;

    int threadCount() const { return int(m_threads.size()); }
    const std::optional<StartFailure>& startFailure() const { return m_startFailure; }

    // Queues a task at the end, or at the front when urgent (work that frees memory soonest).
    void post(std::function<void()> task, bool urgent = false);
    // Runs the first queued task on the calling thread; false when the queue was empty.
    bool runOne();
    // Whether no task is queued or running.
    bool isIdle() const;

    // A counter that grows whenever a task finished; read it before testing a condition that
    // tasks change, then wait with it, and no finish between test and wait is missed.
    std::uint64_t activity() const;
    void waitForActivitySince(std::uint64_t seen) const;

private:
    void stop();
    void work();
    std::function<void()> takeFirst();
    void finished();

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_tasksAvailable;
    mutable std::condition_variable m_activity;
    std::deque<std::function<void()>> m_tasks;
    std::uint64_t m_finishedTasks = 0;
    int m_runningTasks = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
    std::optional<StartFailure> m_startFailure;
};

} // namespace fn

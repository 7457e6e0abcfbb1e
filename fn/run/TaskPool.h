#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
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
    explicit TaskPool(int threads);
    ~TaskPool();
    TaskPool(const TaskPool&) = delete;
    TaskPool& operator=(const TaskPool&) = delete;

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
};

} // namespace fn

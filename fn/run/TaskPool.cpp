#include "fn/run/TaskPool.h"

#include <algorithm>
#include <system_error>

namespace fn {

TaskPool::TaskPool(int threads)
{
    try {
        m_threads.reserve(std::size_t(std::max(0, threads)));
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back([this] { work(); });
    } catch (const std::system_error& error) {
        m_startFailure = StartFailure{int(m_threads.size()), error.code().message()};
    } catch (const std::bad_alloc&) {
        m_startFailure = StartFailure{int(m_threads.size()), "not enough memory"};
    }
    if (m_startFailure) {
        stop();
        m_threads.clear();
        m_stopping = false;
    }
}

TaskPool::~TaskPool()
{
    stop();
}

void TaskPool::stop()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_tasks.clear();
    }
    m_tasksAvailable.notify_all();
    for (std::thread& thread : m_threads) {
        if (thread.joinable())
            thread.join();
    }
}

void TaskPool::post(std::function<void()> task, bool urgent)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (urgent)
            m_tasks.push_front(std::move(task));
        else
            m_tasks.push_back(std::move(task));
    }
    m_tasksAvailable.notify_one();
}

bool TaskPool::runOne()
{
    std::function<void()> task;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_tasks.empty())
            return false;
        task = takeFirst();
    }
    task();
    finished();
    return true;
}

bool TaskPool::isIdle() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_tasks.empty() && m_runningTasks == 0;
}

std::function<void()> TaskPool::takeFirst()
{
    std::function<void()> task = std::move(m_tasks.front());
    m_tasks.pop_front();
    ++m_runningTasks;
    return task;
}

std::uint64_t TaskPool::activity() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_finishedTasks;
}

void TaskPool::waitForActivitySince(std::uint64_t seen) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_activity.wait(lock, [&] { return m_finishedTasks != seen; });
}

void TaskPool::work()
{
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_tasksAvailable.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
            if (m_stopping)
                return;
            task = takeFirst();
        }
        task();
        finished();
    }
}

void TaskPool::finished()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        --m_runningTasks;
        ++m_finishedTasks;
    }
    m_activity.notify_all();
}

} // namespace fn

#pragma once

#include <atomic>
#include <cstdint>

namespace fn {

// Lets another thread follow and stop a run: the run counts the iterations it has computed
// (over all its models and trees) and stops between two iterations once cancelled.
class RunControl
{
public:
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

    void addIterations(std::uint64_t count) { m_iterations.fetch_add(count, std::memory_order_relaxed); }
    std::uint64_t iterationsDone() const { return m_iterations.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> m_cancelled{false};
    std::atomic<std::uint64_t> m_iterations{0};
};

} // namespace fn

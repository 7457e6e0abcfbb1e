#include "fn/values/MemoryBudget.h"

#include <atomic>
#include <limits>

#include <sys/resource.h>
#include <unistd.h>

namespace fn {

namespace {

std::atomic<std::uint64_t> s_limit{0};

std::uint64_t systemMemory()
{
    std::uint64_t bytes = std::numeric_limits<std::uint64_t>::max();
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0)
        bytes = MemoryBudget::bytesFor({static_cast<std::uint64_t>(pages)}, static_cast<std::uint64_t>(pageSize));
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            bytes = std::min<std::uint64_t>(bytes, limit.rlim_cur);
    }
    return bytes / 4 * 3;
}

} // namespace

std::uint64_t MemoryBudget::limit()
{
    const std::uint64_t set = s_limit.load();
    if (set != 0)
        return set;
    static const std::uint64_t system = systemMemory();
    return system;
}

void MemoryBudget::setLimit(std::uint64_t bytes)
{
    s_limit.store(bytes);
}

std::uint64_t MemoryBudget::bytesFor(std::initializer_list<std::uint64_t> counts, std::uint64_t bytesEach)
{
    constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t bytes = bytesEach;
    for (std::uint64_t count : counts) {
        if (count == 0)
            return 0;
        if (bytes > max / count)
            return max;
        bytes *= count;
    }
    return bytes;
}

QString MemoryBudget::text(std::uint64_t bytes)
{
    constexpr double mega = 1024.0 * 1024.0;
    const double megabytes = static_cast<double>(bytes) / mega;
    if (megabytes < 1024.0)
        return QStringLiteral("%1 MB").arg(QString::number(megabytes, 'f', 0));
    return QStringLiteral("%1 GB").arg(QString::number(megabytes / 1024.0, 'f', 1));
}

} // namespace fn

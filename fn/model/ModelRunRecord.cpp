#include "fn/model/ModelRunRecord.h"

#include <algorithm>

namespace fn {

namespace {

// Readers are woken every this many iterations, not after each one.
constexpr std::uint32_t notifyInterval = 256;

} // namespace

ModelRunRecord::ModelRunRecord(const Marray::Shape& strataShape, const InputFactorPtrs& factors,
                               std::uint32_t iterations, int treeCount, double totalPopulation)
    : m_strataShape(strataShape)
    , m_factors(factors)
    , m_strataCount(Marray(strataShape).size())
    , m_iterations(iterations)
    , m_totalPopulation(totalPopulation)
    , m_sums(std::size_t(SumCount) * m_strataCount * iterations)
    , m_trees(std::size_t(std::max(0, treeCount)))
{
}

ModelRunRecord::TreeSeries& ModelRunRecord::startTree(const QVector<QPair<QString, bool>>& reportedOutcomes,
                                                      double population)
{
    constexpr int treeSeriesCount = 7;
    constexpr int outcomeSeriesCount = 4;
    const int index = treesOf(m_progress.load(std::memory_order_relaxed));
    m_seriesBuffers.emplace_back(std::size_t(treeSeriesCount + outcomeSeriesCount * reportedOutcomes.size())
                                 * m_iterations);
    double* next = m_seriesBuffers.back().data();
    const auto take = [&] {
        double* series = next;
        next += m_iterations;
        return series;
    };
    TreeSeries& series = m_trees[std::size_t(index)];
    series.treeCases = take();
    series.acuteYld = take();
    series.acuteYll = take();
    series.sequelaYld = take();
    series.sequelaYll = take();
    series.totalYld = take();
    series.totalYll = take();
    for (const auto& outcome : reportedOutcomes) {
        double* yld = take();
        double* yll = take();
        double* cases = take();
        double* deaths = take();
        series.outcomes.push_back({outcome.first, outcome.second, yld, yll, cases, deaths});
    }
    series.population = population;
    m_progress.store(std::uint64_t(index + 1) << 32, std::memory_order_release);
    notifyReaders();
    return series;
}

void ModelRunRecord::setIterationsDone(std::uint32_t iterations)
{
    const int trees = treesOf(m_progress.load(std::memory_order_relaxed));
    m_progress.store((std::uint64_t(trees) << 32) | iterations, std::memory_order_release);
    if (iterations % notifyInterval == 0 || iterations == m_iterations)
        notifyReaders();
}

void ModelRunRecord::zeroUnwritten()
{
    for (int sum = 0; sum < SumCount; ++sum) {
        if (m_written[sum])
            continue;
        double* first = row(Sum(sum), 0);
        std::fill(first, first + m_strataCount * m_iterations, 0.0);
        m_written[sum] = true;
    }
}

void ModelRunRecord::complete(const Marray& ageDistributionValues)
{
    zeroUnwritten();
    // Strata the age distribution does not reach have no population.
    m_population.assign(m_strataCount, 0.0);
    const std::size_t n = std::min(m_strataCount, ageDistributionValues.size());
    std::copy(ageDistributionValues.begin(), ageDistributionValues.begin() + n, m_population.begin());
    m_complete.store(true, std::memory_order_release);
    notifyReaders();
}

void ModelRunRecord::abandon()
{
    m_abandoned.store(true, std::memory_order_release);
    notifyReaders();
}

void ModelRunRecord::notifyReaders()
{
    // Taking the lock orders this change before a reader that checked and is about to wait.
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
    }
    m_changed.notify_all();
}

template <typename Available>
std::uint32_t ModelRunRecord::waitFor(std::uint32_t count, Available available) const
{
    if (available() >= count)
        return available();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return available() >= count || m_abandoned.load(std::memory_order_acquire); });
    return available();
}

bool ModelRunRecord::waitForTreeStart(int tree) const
{
    const auto started = [&]() -> std::uint32_t {
        return m_complete.load(std::memory_order_acquire) || treesOf(m_progress.load(std::memory_order_acquire)) > tree;
    };
    return waitFor(1, started) >= 1;
}

std::uint32_t ModelRunRecord::waitForTree(int tree, std::uint32_t count) const
{
    const auto available = [&]() -> std::uint32_t {
        if (m_complete.load(std::memory_order_acquire))
            return m_iterations;
        const std::uint64_t progress = m_progress.load(std::memory_order_acquire);
        if (treesOf(progress) > tree + 1)
            return m_iterations;
        return treesOf(progress) == tree + 1 ? iterationsOf(progress) : 0;
    };
    return waitFor(count, available);
}

std::uint32_t ModelRunRecord::waitForRows(std::uint32_t count) const
{
    const int last = treeCount();
    const auto available = [&]() -> std::uint32_t {
        if (m_complete.load(std::memory_order_acquire))
            return m_iterations;
        const std::uint64_t progress = m_progress.load(std::memory_order_acquire);
        // Rows are final once the last tree has added its share.
        return treesOf(progress) == last ? iterationsOf(progress) : 0;
    };
    return waitFor(count, available);
}

bool ModelRunRecord::waitUntilComplete() const
{
    return waitFor(1, [&]() -> std::uint32_t { return isComplete(); }) >= 1;
}

ModelRunRecord::IterationTotals ModelRunRecord::totals(std::uint32_t iteration) const
{
    const double* ay = row(AcuteYld, iteration);
    const double* al = row(AcuteYll, iteration);
    const double* sy = row(SequelaYld, iteration);
    const double* sl = row(SequelaYll, iteration);
    const double* c = row(Cases, iteration);
    const double* d = row(Deaths, iteration);
    IterationTotals totals;
    for (std::size_t i = 0; i < m_strataCount; ++i) {
        totals.yld += ay[i] + sy[i];
        totals.yll += al[i] + sl[i];
        totals.cases += c[i];
        totals.deaths += d[i];
    }
    return totals;
}

} // namespace fn

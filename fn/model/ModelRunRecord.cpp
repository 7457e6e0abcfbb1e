#include "fn/model/ModelRunRecord.h"

#include <algorithm>

namespace fn {

ModelRunRecord::ModelRunRecord(const Marray::Shape& strataShape, const InputFactorPtrs& factors,
                               std::uint32_t iterations)
    : m_strataShape(strataShape)
    , m_factors(factors)
    , m_strataCount(Marray(strataShape).size())
    , m_iterations(iterations)
    , m_sums(std::size_t(SumCount) * m_strataCount * iterations)
{
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

ModelRunRecord::TreeSeries& ModelRunRecord::addTree(const QVector<QPair<QString, bool>>& reportedOutcomes)
{
    constexpr int treeSeriesCount = 7;
    constexpr int outcomeSeriesCount = 4;
    m_seriesBuffers.emplace_back(std::size_t(treeSeriesCount + outcomeSeriesCount * reportedOutcomes.size()) * m_iterations);
    double* next = m_seriesBuffers.back().data();
    const auto take = [&] {
        double* series = next;
        next += m_iterations;
        return series;
    };
    TreeSeries series;
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
    m_trees.push_back(std::move(series));
    return m_trees.back();
}

void ModelRunRecord::setPopulation(const Marray& ageDistributionValues, double totalPopulation)
{
    // Strata the age distribution does not reach have no population.
    m_population.assign(m_strataCount, 0.0);
    const std::size_t n = std::min(m_strataCount, ageDistributionValues.size());
    std::copy(ageDistributionValues.begin(), ageDistributionValues.begin() + n, m_population.begin());
    m_totalPopulation = totalPopulation;
}

} // namespace fn

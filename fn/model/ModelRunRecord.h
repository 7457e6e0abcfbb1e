#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include <QPair>
#include <QString>
#include <QVector>

#include "fn/model/SampleBuffer.h"
#include "fn/values/InputFactor.h"
#include "fn/values/Marray.h"

namespace fn {

// What one run of a model leaves for its results and for the aggregation over models: the
// model's stratified sums per iteration and each tree's per-iteration totals. Nothing here is
// kept once the results are built and the model was added to the results computer.
//
// Stratified sums are held iteration by iteration: row k holds the strata of iteration k in
// scalar-index order, so that an iteration writes one contiguous row.
class ModelRunRecord
{
public:
    // The model's sums over its trees, per stratum and iteration.
    enum Sum { AcuteYld, AcuteYll, SequelaYld, SequelaYll, Deaths, Cases, SumCount };

    // Per-iteration totals of one tree, one value per iteration each.
    struct TreeSeries
    {
        // A reported health outcome's YLD, YLL, cases and deaths.
        struct Outcome
        {
            QString name;
            bool acute;
            double* yld;
            double* yll;
            double* cases;
            double* deaths;
        };
        double* treeCases = nullptr;
        double* acuteYld = nullptr;
        double* acuteYll = nullptr;
        double* sequelaYld = nullptr;
        double* sequelaYll = nullptr;
        double* totalYld = nullptr;
        double* totalYll = nullptr;
        std::vector<Outcome> outcomes;
        double population = 0.0;
    };

    ModelRunRecord(const Marray::Shape& strataShape, const InputFactorPtrs& factors, std::uint32_t iterations);

    const Marray::Shape& strataShape() const { return m_strataShape; }
    const InputFactorPtrs& factors() const { return m_factors; }
    std::size_t strataCount() const { return m_strataCount; }
    std::uint32_t iterations() const { return m_iterations; }

    double* row(Sum sum, std::uint32_t iteration)
    {
        return m_sums.data() + (std::size_t(sum) * m_iterations + iteration) * m_strataCount;
    }
    const double* row(Sum sum, std::uint32_t iteration) const
    {
        return m_sums.data() + (std::size_t(sum) * m_iterations + iteration) * m_strataCount;
    }
    // Whether a tree has written the sum yet: the first contribution is stored, later ones added.
    bool isWritten(Sum sum) const { return m_written[sum]; }
    void setWritten(Sum sum) { m_written[sum] = true; }
    // Sums no tree contributed to are zero.
    void zeroUnwritten();

    // Series for the next tree, with one entry per reported outcome (name and whether acute).
    TreeSeries& addTree(const QVector<QPair<QString, bool>>& reportedOutcomes);
    const std::deque<TreeSeries>& trees() const { return m_trees; }

    // The model's population per stratum as last evaluated, and in all.
    void setPopulation(const Marray& ageDistributionValues, double totalPopulation);
    const std::vector<double>& population() const { return m_population; }
    double totalPopulation() const { return m_totalPopulation; }

private:
    Marray::Shape m_strataShape;
    InputFactorPtrs m_factors;
    std::size_t m_strataCount;
    std::uint32_t m_iterations;
    SampleBuffer m_sums;
    bool m_written[SumCount] = {};
    std::vector<SampleBuffer> m_seriesBuffers;
    std::deque<TreeSeries> m_trees;
    std::vector<double> m_population;
    double m_totalPopulation = 0.0;
};

} // namespace fn

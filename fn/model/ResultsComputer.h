#pragma once

#include <cstdint>
#include <vector>

#include <QVariantMap>

#include "fn/model/DiseaseModel.h"
#include "fn/stats/SampleBuffer.h"

namespace fn {

// Aggregates the results of all models of a run. Models of a congenital disease have one
// more (first) age group; the aggregate then uses their longer age axis and aligns every
// other model with its last age groups.
//
// Models are added one by one, in list order, as soon as each has run: every sum over models
// is taken in the same order whatever the order in which the models finished.
class ResultsComputer
{
public:
    explicit ResultsComputer(const DiseaseModelList& models);
    virtual ~ResultsComputer();

    void prepare(std::uint32_t iterations);
    // Adds the record of the model's last run (nothing when it has none).
    void addModel(const DiseaseModel& model);
    void compute();
    QVariantMap aggregatedResults() const;

    const QVariantMap& allResults() const { return m_allResults; }
    const QVariantMap& totalResults() const { return m_totalResults; }

private:
    enum Sum { Yld, Yll, Cases, Deaths, SumCount };

    // Where a model's strata start in the aggregate's strata, or -1 when it cannot be aligned.
    std::ptrdiff_t alignmentOf(const Marray::Shape& modelShape) const;
    double* row(Sum sum, std::uint32_t iteration)
    {
        return m_sums.data() + (std::size_t(sum) * m_iterations + iteration) * m_strataCount;
    }
    const double* row(Sum sum, std::uint32_t iteration) const
    {
        return m_sums.data() + (std::size_t(sum) * m_iterations + iteration) * m_strataCount;
    }
    void release();

    Marray::Shape m_strataShape;
    std::size_t m_strataCount = 0;
    std::uint32_t m_iterations = 0;
    double m_totalPopulation = 0.0;
    std::int32_t m_congenitalModels = 0;
    InputFactorPtrs m_factors;
    // Per iteration (rows) and stratum: YLD, YLL, cases, deaths; the population is the same
    // in every iteration.
    SampleBuffer m_sums;
    std::vector<double> m_population;
    bool m_prepared = false;
    const DiseaseModelList& m_models;
    QVariantMap m_allResults;
    QVariantMap m_totalResults;
};

} // namespace fn

#pragma once

#include <cstdint>

#include <QVariantMap>

#include "fn/model/DiseaseModel.h"

namespace fn {

// Aggregates the results of all models of a run. Models of a congenital disease have one
// more (first) age group; the aggregate then uses their longer age axis and aligns every
// other model with its last age groups.
class ResultsComputer
{
public:
    explicit ResultsComputer(const DiseaseModelList& models);
    virtual ~ResultsComputer();

    void prepare(std::uint32_t iterations);
    void addModel(const DiseaseModel& model);
    void compute();
    QVariantMap aggregatedResults() const;

    const QVariantMap& allResults() const { return m_allResults; }
    const QVariantMap& totalResults() const { return m_totalResults; }

private:
    void addAligned(Marray& accumulator, const Marray& modelSamples) const;

    Marray::Shape m_strataShape;
    double m_totalPopulation = 0.0;
    std::int32_t m_congenitalModels = 0;
    InputFactorPtrs m_factors;
    Marray m_yld;
    Marray m_yll;
    Marray m_population;
    Marray m_cases;
    Marray m_deaths;
    const DiseaseModelList& m_models;
    QVariantMap m_allResults;
    QVariantMap m_totalResults;
};

} // namespace fn

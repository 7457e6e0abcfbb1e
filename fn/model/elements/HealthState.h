#pragma once

#include "fn/InputType.h"
#include "fn/model/elements/SequelaBase.h"
#include "fn/values/DataArray.h"

namespace fn {

// A state inside a health outcome: its share of the outcome's cases (proportion), its
// disability weight (severity) and how long it lasts (duration, -1 for the rest of life).
class HealthState : public SequelaBase
{
public:
    HealthState(const ID& id, const QString& name, const DataArray& proportion, const DataArray& severity,
                const DataArray& duration, int sequelaType, const Marray::Shape& strataShape,
                HealthOutcome* parentOutcome);
    ~HealthState() override;

    DataArray& parameter(InputType::HealthStateParamType type);
    const DataArray& parameter(InputType::HealthStateParamType type) const;
    // Replaces one parameter array; its meta is normalised as at construction.
    void setParameter(InputType::HealthStateParamType type, const DataArray& array);

    void initializeParsers();
    // Starts the run's sums of cases and burden.
    void resetSums();
    void sample();
    void compute(double discountRate);
    void finalizeMeans(std::uint32_t iterations);

    // This iteration's proportion over the sum of the outcome's proportions, set by the
    // parent outcome before the state computes.
    void normalizeProportion(const Marray& proportionSum);

    const DataArray& proportion() const { return m_proportion; }
    DataArray& proportion() { return m_proportion; }
    const DataArray& severity() const { return m_severity; }
    const DataArray& duration() const { return m_duration; }
    bool remainingCases() const { return m_remainingCases; }
    const Marray& normalizedProportion() const { return m_normalizedProportion; }
    const Marray& burden() const { return m_burden; }
    const Marray& burdenMean() const { return m_burdenMean; }

private:
    static void normalizeMeta(DataArray& array);
    void readRemainingCases();

    DataArray m_proportion;
    DataArray m_severity;
    DataArray m_duration;
    bool m_remainingCases = false;
    Marray m_normalizedProportion;
    Marray m_burden;
    Marray m_burdenSum;
    Marray m_burdenMean;
    Marray m_zeros;
};

} // namespace fn

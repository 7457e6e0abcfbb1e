#pragma once

#include "fn/model/elements/TransitionProbabilityBase.h"
#include "fn/values/DataArray.h"

namespace fn {

// A transition with its own probability and redistribution parameters. The probability
// array's meta says whether it is direct or annual, redistributed, and capped in years.
class TransitionProbability : public TransitionProbabilityBase
{
public:
    // The per-iteration arrays take the model's stratum shape, which the parameter arrays
    // take only when the model binds them to its factors.
    TransitionProbability(const ID& id, const QString& name, OutcomeTreeNode* source, OutcomeTreeNode* target,
                          const DataArray& probabilityParameter, const DataArray& redistributionParameter,
                          const Marray::Shape& strataShape);
    ~TransitionProbability() override;

    void sample() override;
    bool isRedistributed() const override { return m_redistribute; }
    bool isDirect() const override { return m_direct; }

    void initializeParsers();

    const DataArray& probabilityParameter() const { return m_probabilityParameter; }
    DataArray& probabilityParameter() { return m_probabilityParameter; }
    const DataArray& redistributionParameter() const { return m_redistributionParameter; }
    DataArray& redistributionParameter() { return m_redistributionParameter; }

    // Replacing the probability array or its meta re-reads the flags; the redistribution array carries none.
    void setProbabilityParameter(const DataArray& probability);
    void setProbabilityMeta(const DataArray::Meta& meta);
    void setRedistributionParameter(const DataArray& redistribution);

private:
    void normalizeMeta();
    void readFlags();

    bool m_redistribute = false;
    bool m_direct = true;
    DataArray m_probabilityParameter;
    DataArray m_redistributionParameter;
};

} // namespace fn

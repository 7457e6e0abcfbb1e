#pragma once

#include <cstdint>

#include <QString>

#include "fn/values/DataValue.h"
#include "fn/values/Marray.h"

namespace fn {

class OutcomeTreeNode;

// A transition between two nodes of an outcome tree: each iteration it moves a share of
// its source's cases to its target, directly or as an annual probability over the
// remaining (discounted) life expectancy, optionally redistributed over age groups.
class TransitionProbabilityBase
{
public:
    using ID = QString;
    enum Kind : std::uint32_t { TransitionKind = 0, ComplementKind = 1 };

    virtual ~TransitionProbabilityBase();

    virtual void sample() = 0;
    virtual bool isRedistributed() const = 0;
    virtual bool isDirect() const = 0;

    // Starts the run's sums of probability, redistribution and flow over the model's strata.
    void resetSums(const Marray::Shape& modelStrataShape);
    // Moves this iteration's cases; called once the source has been computed.
    void propagate();
    void finalizeMeans(std::uint32_t iterations);

    std::uint32_t kind() const { return m_kind; }
    const ID& id() const { return m_id; }
    const QString& name() const { return m_name; }
    const Marray::Shape& strataShape() const { return m_strataShape; }
    OutcomeTreeNode* source() const { return m_source; }
    OutcomeTreeNode* target() const { return m_target; }
    const DataValue& annualDuration() const { return m_annualDuration; }
    std::uint32_t iteration() const { return m_iteration; }
    const Marray& probability() const { return m_probability; }
    const Marray& redistribution() const { return m_redistribution; }
    const Marray& flow() const { return m_flow; }
    const Marray& sourceLifeExpectancy() const { return m_sourceLifeExpectancy; }
    const Marray& sourceExitTime() const { return m_sourceExitTime; }
    const Marray& probabilityMean() const { return m_probabilityMean; }
    const Marray& redistributionMean() const { return m_redistributionMean; }
    const Marray& flowMean() const { return m_flowMean; }

protected:
    TransitionProbabilityBase(std::uint32_t kind, const ID& id, const QString& name, const Marray::Shape& strataShape,
                              OutcomeTreeNode* source, OutcomeTreeNode* target);
    TransitionProbabilityBase(const TransitionProbabilityBase&) = default;
    TransitionProbabilityBase& operator=(const TransitionProbabilityBase&) = default;

    std::uint32_t m_kind;
    ID m_id;
    QString m_name;
    Marray::Shape m_strataShape;
    OutcomeTreeNode* m_source;
    OutcomeTreeNode* m_target;
    DataValue m_annualDuration;
    std::uint32_t m_iteration = 0;
    Marray m_probability;
    Marray m_redistribution;
    Marray m_flow;
    Marray m_sourceLifeExpectancy;
    Marray m_sourceExitTime;
    Marray m_probabilitySum;
    Marray m_redistributionSum;
    Marray m_flowSum;
    Marray m_probabilityMean;
    Marray m_redistributionMean;
    Marray m_flowMean;

private:
    void redistributeFlow();
};

} // namespace fn

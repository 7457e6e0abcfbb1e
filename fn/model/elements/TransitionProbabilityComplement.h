#pragma once

#include "fn/model/elements/TransitionProbabilityBase.h"

namespace fn {

// One minus the probability of exactly one other transition, with its redistribution
// and its kind (direct or annual, redistributed or not).
class TransitionProbabilityComplement : public TransitionProbabilityBase
{
public:
    TransitionProbabilityComplement(const ID& id, const QString& name, OutcomeTreeNode* source, OutcomeTreeNode* target,
                                    TransitionProbabilityBase* sourceTransitionProbability);
    ~TransitionProbabilityComplement() override;

    void sample() override;
    bool isRedistributed() const override { return m_sourceTransitionProbability->isRedistributed(); }
    bool isDirect() const override { return m_sourceTransitionProbability->isDirect(); }

    TransitionProbabilityBase* sourceTransitionProbability() const { return m_sourceTransitionProbability; }

private:
    TransitionProbabilityBase* m_sourceTransitionProbability;
};

} // namespace fn

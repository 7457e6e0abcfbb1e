#include "fn/model/elements/TransitionProbabilityComplement.h"

namespace fn {

TransitionProbabilityComplement::TransitionProbabilityComplement(const ID& id, const QString& name,
                                                                 OutcomeTreeNode* source, OutcomeTreeNode* target,
                                                                 TransitionProbabilityBase* sourceTransitionProbability)
    : TransitionProbabilityBase(ComplementKind, id, name, sourceTransitionProbability->strataShape(), source, target)
    , m_sourceTransitionProbability(sourceTransitionProbability)
{
}

TransitionProbabilityComplement::~TransitionProbabilityComplement() = default;

void TransitionProbabilityComplement::sample()
{
    const Marray& complemented = m_sourceTransitionProbability->probability();
    m_probability = complemented;
    for (std::size_t i = 0; i < m_probability.size(); ++i)
        m_probability[i] = 1.0 - complemented[i];
    m_redistribution = m_sourceTransitionProbability->redistribution();
}

} // namespace fn

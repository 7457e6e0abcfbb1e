#include "fn/model/elements/Infection.h"

#include <algorithm>

#include "fn/InputType.h"
#include "fn/model/elements/Discounting.h"
#include "fn/model/elements/HealthOutcome.h"
#include "fn/model/elements/HealthState.h"
#include "fn/model/elements/TransitionProbabilityBase.h"

namespace fn {

Infection::Infection(const ID& id, const QString& name, const Marray::Shape& strataShape, HealthOutcome* parentOutcome)
    : SequelaBase(id, name, strataShape, InputType::INFECTION, parentOutcome)
{
}

Infection::~Infection() = default;

TransitionProbabilityBase* Infection::findSourceTransition()
{
    m_sourceTransition = nullptr;
    for (TransitionProbabilityBase* transition : outgoing()) {
        const OutcomeTreeNode* target = transition->target();
        if (!target)
            continue;
        bool leadsToAcute = false;
        if (target->nodeKind() == HealthOutcomeKind) {
            leadsToAcute = static_cast<const HealthOutcome*>(target)->isAcute();
        } else {
            const HealthOutcome* parent = static_cast<const SequelaBase*>(target)->parentOutcome();
            leadsToAcute = parent && parent->isAcute() && parent->healthStates().size() == 1;
        }
        if (leadsToAcute) {
            m_sourceTransition = transition;
            break;
        }
    }
    return m_sourceTransition;
}

void Infection::initializeParsers()
{
    m_lifeExpectancy.initializeParser();
    m_notifiedCases.initializeParser();
}

void Infection::sample()
{
    m_lifeExpectancy.evaluate();
    m_exitLifeExpectancy = m_lifeExpectancy.values();
    m_notifiedCases.evaluate();
}

void Infection::computeCases(const Marray& coverage, double discountRate, const Marray& underestimationFactor)
{
    ++m_iteration;
    const Marray& notified = m_notifiedCases.values();
    const Marray& probability = m_sourceTransition->probability();
    const std::size_t n = std::min(
        {m_cases.size(), notified.size(), probability.size(), coverage.size(), underestimationFactor.size()});
    for (std::size_t i = 0; i < n; ++i)
        m_cases[i] = notified[i] / probability[i] / coverage[i] * underestimationFactor[i];
    recordCases();

    for (double& lifeExpectancy : m_exitLifeExpectancy)
        lifeExpectancy = discountedDuration(lifeExpectancy, 0.0, discountRate);

    for (TransitionProbabilityBase* transition : outgoing())
        transition->propagate();
}

} // namespace fn

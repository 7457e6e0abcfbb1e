#include "fn/model/HealthOutcome.h"

#include <algorithm>

#include "fn/model/HealthState.h"
#include "fn/model/TransitionProbabilityBase.h"

namespace fn {

HealthOutcome::HealthOutcome(const ID& id, const QString& name, const Marray::Shape& strataShape, bool isAcute,
                             bool inResults)
    : OutcomeTreeNode(HealthOutcomeKind, id, name, strataShape)
    , m_isAcute(isAcute)
    , m_inResults(inResults)
{
}

HealthOutcome::~HealthOutcome() = default;

Marray HealthOutcome::currentCases() const
{
    Marray sum(strataShape(), 0.0);
    for (const HealthState* state : m_healthStates)
        sum += state->cases();
    return sum;
}

Marray HealthOutcome::remainingLifeExpectancy() const
{
    return m_healthStates.isEmpty() ? Marray(strataShape(), 0.0) : m_healthStates.front()->remainingLifeExpectancy();
}

Marray HealthOutcome::exitTime() const
{
    return m_healthStates.isEmpty() ? Marray(strataShape(), 0.0) : m_healthStates.front()->exitTime();
}

void HealthOutcome::findRemainingCasesState()
{
    m_remainingCasesState = nullptr;
    for (HealthState* state : qAsConst(m_healthStates)) {
        if (state->remainingCases()) {
            m_remainingCasesState = state;
            return;
        }
    }
}

void HealthOutcome::compute(double discountRate)
{
    if (!m_healthStates.isEmpty() && !incoming().isEmpty()) {
        Marray total(strataShape(), 0.0);
        for (const HealthState* state : qAsConst(m_healthStates))
            total += state->proportion().values();
        if (m_remainingCasesState) {
            // The remaining state takes what its siblings leave; its formulas are untouched
            // and drawn again next iteration.
            Marray& remaining = m_remainingCasesState->proportion().values();
            for (std::size_t i = 0; i < remaining.size() && i < total.size(); ++i)
                remaining[i] = std::max(1.0 - total[i], 0.0);
            total += remaining;
        }
        for (HealthState* state : qAsConst(m_healthStates))
            state->setNormalizedProportion(state->proportion().values() / total);
    }
    for (HealthState* state : qAsConst(m_healthStates))
        state->compute(discountRate);
    for (TransitionProbabilityBase* transition : outgoing())
        transition->propagate();
}

} // namespace fn

#include "fn/model/elements/HealthOutcome.h"

#include <algorithm>

#include "fn/model/elements/HealthState.h"
#include "fn/model/elements/TransitionProbabilityBase.h"

namespace fn {

HealthOutcome::HealthOutcome(const ID& id, const QString& name, const Marray::Shape& strataShape, bool isAcute,
                             bool inResults)
    : OutcomeTreeNode(HealthOutcomeKind, id, name, strataShape)
    , m_isAcute(isAcute)
    , m_inResults(inResults)
    , m_casesSum(strataShape, 0.0)
    , m_proportionSum(strataShape, 0.0)
    , m_zeros(strataShape, 0.0)
{
}

HealthOutcome::~HealthOutcome() = default;

Marray HealthOutcome::currentCases() const
{
    return casesView();
}

Marray HealthOutcome::remainingLifeExpectancy() const
{
    return remainingLifeExpectancyView();
}

Marray HealthOutcome::exitTime() const
{
    return exitTimeView();
}

const Marray& HealthOutcome::casesView() const
{
    std::fill(m_casesSum.begin(), m_casesSum.end(), 0.0);
    for (const HealthState* state : m_healthStates)
        m_casesSum += state->cases();
    return m_casesSum;
}

const Marray& HealthOutcome::remainingLifeExpectancyView() const
{
    return m_healthStates.isEmpty() ? m_zeros : m_healthStates.front()->exitLifeExpectancy();
}

const Marray& HealthOutcome::exitTimeView() const
{
    return m_healthStates.isEmpty() ? m_zeros : m_healthStates.front()->exitTimes();
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
        Marray& total = m_proportionSum;
        std::fill(total.begin(), total.end(), 0.0);
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
            state->normalizeProportion(total);
    }
    for (HealthState* state : qAsConst(m_healthStates))
        state->compute(discountRate);
    for (TransitionProbabilityBase* transition : outgoing())
        transition->propagate();
}

} // namespace fn

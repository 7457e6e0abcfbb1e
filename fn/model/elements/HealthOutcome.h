#pragma once

#include "fn/model/elements/OutcomeTreeNode.h"

namespace fn {

class HealthState;

// A group of health states (an acute illness, a sequela, death): normalises the states'
// proportions each iteration and passes its cases on.
class HealthOutcome : public OutcomeTreeNode
{
public:
    HealthOutcome(const ID& id, const QString& name, const Marray::Shape& strataShape, bool isAcute, bool inResults);
    ~HealthOutcome() override;

    Marray currentCases() const override;
    Marray remainingLifeExpectancy() const override;
    Marray exitTime() const override;
    const Marray& casesView() const override;
    const Marray& remainingLifeExpectancyView() const override;
    const Marray& exitTimeView() const override;

    void addHealthState(HealthState* state) { m_healthStates << state; }
    // The first state that takes the cases its siblings leave over, or null.
    void findRemainingCasesState();
    void compute(double discountRate);

    bool isAcute() const { return m_isAcute; }
    bool inResults() const { return m_inResults; }
    const QVector<HealthState*>& healthStates() const { return m_healthStates; }
    HealthState* remainingCasesState() const { return m_remainingCasesState; }

private:
    bool m_isAcute;
    bool m_inResults;
    QVector<HealthState*> m_healthStates;
    HealthState* m_remainingCasesState = nullptr;
    // Scratch arrays reused every iteration.
    mutable Marray m_casesSum;
    Marray m_proportionSum;
    Marray m_zeros;
};

} // namespace fn

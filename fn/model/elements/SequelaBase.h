#pragma once

#include "fn/model/elements/OutcomeTreeNode.h"

namespace fn {

class HealthOutcome;

// A node with per-iteration stores of its own: a health state or the infection.
class SequelaBase : public OutcomeTreeNode
{
public:
    ~SequelaBase() override;

    Marray currentCases() const override { return m_cases; }
    Marray remainingLifeExpectancy() const override { return m_exitLifeExpectancy; }
    Marray exitTime() const override { return m_exitTimes; }
    const Marray& casesView() const override { return m_cases; }
    const Marray& remainingLifeExpectancyView() const override { return m_exitLifeExpectancy; }
    const Marray& exitTimeView() const override { return m_exitTimes; }

    HealthOutcome* parentOutcome() const { return m_parentOutcome; }
    int sequelaType() const { return m_sequelaType; }
    std::uint32_t iteration() const { return m_iteration; }

    const Marray& cases() const { return m_cases; }
    const Marray& exitLifeExpectancy() const { return m_exitLifeExpectancy; }
    const Marray& exitTimes() const { return m_exitTimes; }
    const Marray& casesMean() const { return m_casesMean; }

protected:
    SequelaBase(const ID& id, const QString& name, const Marray::Shape& strataShape, int sequelaType,
                HealthOutcome* parentOutcome);
    SequelaBase(const SequelaBase&) = default;
    SequelaBase& operator=(const SequelaBase&) = default;

    // Starts the run's sums of cases; iterations count from 1 again.
    void resetCaseSums();
    // Adds this iteration's cases to the run's sums.
    void recordCases();
    void finalizeCaseMeans(std::uint32_t iterations);

    HealthOutcome* m_parentOutcome;
    Marray m_cases;
    Marray m_exitLifeExpectancy;
    Marray m_exitTimes;
    Marray m_casesSum;
    Marray m_casesMean;
    int m_sequelaType;
    std::uint32_t m_iteration = 0;
};

} // namespace fn

#pragma once

#include "fn/model/elements/SequelaBase.h"
#include "fn/values/DataArray.h"

namespace fn {

class TransitionProbabilityBase;

// The root of an outcome tree: turns the notified cases into infections and starts the
// flow of cases along its outgoing transitions.
class Infection : public SequelaBase
{
public:
    Infection(const ID& id, const QString& name, const Marray::Shape& strataShape, HealthOutcome* parentOutcome);
    ~Infection() override;

    void setLifeExpectancy(const DataArray& lifeExpectancy) { m_lifeExpectancy = lifeExpectancy; }
    void setNotifiedCases(const DataArray& notifiedCases) { m_notifiedCases = notifiedCases; }
    const DataArray& lifeExpectancy() const { return m_lifeExpectancy; }
    const DataArray& notifiedCases() const { return m_notifiedCases; }

    // The first transition to an acute outcome (or to the single state of one); null if none.
    TransitionProbabilityBase* findSourceTransition();
    TransitionProbabilityBase* sourceTransition() const { return m_sourceTransition; }

    void initializeParsers();
    void resetSums() { resetCaseSums(); }
    void sample();
    void computeCases(const Marray& coverage, double discountRate, const Marray& underestimationFactor);
    void finalizeMeans(std::uint32_t iterations) { finalizeCaseMeans(iterations); }

private:
    DataArray m_lifeExpectancy;
    DataArray m_notifiedCases;
    TransitionProbabilityBase* m_sourceTransition = nullptr;
};

} // namespace fn

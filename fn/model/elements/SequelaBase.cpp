#include "fn/model/elements/SequelaBase.h"

#include <algorithm>

#include "fn/model/elements/SampleStores.h"

namespace fn {

SequelaBase::SequelaBase(const ID& id, const QString& name, const Marray::Shape& strataShape, int sequelaType,
                         HealthOutcome* parentOutcome)
    : OutcomeTreeNode(HealthStateKind, id, name, strataShape)
    , m_parentOutcome(parentOutcome)
    , m_cases(strataShape, 0.0)
    , m_exitLifeExpectancy(strataShape, 0.0)
    , m_exitTimes(strataShape, 0.0)
    , m_casesSum(strataShape, 0.0)
    , m_casesMean(strataShape, 0.0)
    , m_sequelaType(sequelaType)
{
}

SequelaBase::~SequelaBase() = default;

void SequelaBase::resetCaseSums()
{
    std::fill(m_casesSum.begin(), m_casesSum.end(), 0.0);
    m_iteration = 0;
}

void SequelaBase::recordCases()
{
    samples::addToSums(m_casesSum, m_cases);
}

void SequelaBase::finalizeCaseMeans(std::uint32_t iterations)
{
    m_casesMean = samples::meansOf(m_casesSum, iterations);
}

} // namespace fn

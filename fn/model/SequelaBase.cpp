#include "fn/model/SequelaBase.h"

#include "fn/model/SampleStores.h"

namespace fn {

SequelaBase::SequelaBase(const ID& id, const QString& name, const Marray::Shape& strataShape, int sequelaType,
                         HealthOutcome* parentOutcome)
    : OutcomeTreeNode(HealthStateKind, id, name, strataShape)
    , m_parentOutcome(parentOutcome)
    , m_cases(strataShape, 0.0)
    , m_exitLifeExpectancy(strataShape, 0.0)
    , m_exitTimes(strataShape, 0.0)
    , m_casesMean(strataShape, 0.0)
    , m_sequelaType(sequelaType)
{
}

SequelaBase::~SequelaBase() = default;

void SequelaBase::allocateCaseStores(const Marray::Shape& sampleShape)
{
    m_casesPerSample = Marray(sampleShape, 0.0);
    m_iteration = 0;
}

void SequelaBase::finalizeCaseMeans()
{
    m_casesMean = samples::meanOverIterations(m_casesPerSample);
}

void SequelaBase::finalizeCaseTotals()
{
    m_casesTotals = samples::totalsPerIteration(m_casesPerSample);
}

void SequelaBase::releaseCaseStores()
{
    m_casesPerSample = Marray();
}

} // namespace fn

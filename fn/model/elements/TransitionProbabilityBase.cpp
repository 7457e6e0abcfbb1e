#include "fn/model/elements/TransitionProbabilityBase.h"

#include <algorithm>
#include <cmath>

#include "fn/model/elements/OutcomeTreeNode.h"
#include "fn/model/elements/SampleStores.h"

namespace fn {

TransitionProbabilityBase::TransitionProbabilityBase(std::uint32_t kind, const ID& id, const QString& name,
                                                     const Marray::Shape& strataShape, OutcomeTreeNode* source,
                                                     OutcomeTreeNode* target)
    : m_kind(kind)
    , m_id(id)
    , m_name(name)
    , m_strataShape(strataShape)
    , m_source(source)
    , m_target(target)
    , m_annualDuration(QStringLiteral("-1"))
    , m_probability(strataShape, 0.0)
    , m_redistribution(strataShape, 0.0)
    , m_flow(strataShape, 0.0)
    , m_sourceLifeExpectancy(strataShape, 0.0)
    , m_sourceExitTime(strataShape, 0.0)
    , m_probabilityMean(strataShape, 0.0)
    , m_redistributionMean(strataShape, 0.0)
    , m_flowMean(strataShape, 0.0)
{
}

TransitionProbabilityBase::~TransitionProbabilityBase() = default;

void TransitionProbabilityBase::resetSums(const Marray::Shape& modelStrataShape)
{
    for (Marray* sum : {&m_probabilitySum, &m_redistributionSum, &m_flowSum}) {
        if (sum->shape() == modelStrataShape && !sum->isEmpty())
            std::fill(sum->begin(), sum->end(), 0.0);
        else
            *sum = Marray(modelStrataShape, 0.0);
    }
    m_iteration = 0;
}

void TransitionProbabilityBase::propagate()
{
    ++m_iteration;
    m_sourceLifeExpectancy = m_source->remainingLifeExpectancyView();
    m_sourceExitTime = m_source->exitTimeView();
    const Marray& cases = m_source->casesView();
    const std::size_t n = std::min({m_flow.size(), cases.size(), m_probability.size()});

    if (isDirect()) {
        for (std::size_t i = 0; i < n; ++i)
            m_flow[i] = cases[i] * m_probability[i];
    } else {
        // The probability of leaving the source within Y years, shared among the competing
        // transitions in proportion to their annual probabilities.
        const double cap = m_annualDuration.evaluate();
        const Marray& total = m_source->outgoingProbabilitySum();
        for (std::size_t i = 0; i < n; ++i) {
            double years = m_sourceLifeExpectancy[i];
            if (cap > -1.0)
                years = std::min(years, cap);
            m_flow[i] = cases[i] * ((1.0 - std::pow(1.0 - total[i], years)) * m_probability[i] / total[i]);
        }
    }
    if (isRedistributed())
        redistributeFlow();

    samples::addToSums(m_probabilitySum, m_probability);
    samples::addToSums(m_redistributionSum, m_redistribution);
    samples::addToSums(m_flowSum, m_flow);
}

void TransitionProbabilityBase::redistributeFlow()
{
    // Pool each sex's cases over all age groups, then share them out by the
    // redistribution array; the per-sex totals are preserved.
    const std::size_t sexes = m_flow.dimension() == 2 ? static_cast<std::size_t>(m_flow.shape(1)) : 1;
    const std::size_t ages = sexes == 0 ? 0 : m_flow.size() / sexes;
    for (std::size_t s = 0; s < sexes; ++s) {
        double total = 0.0;
        for (std::size_t a = 0; a < ages; ++a)
            total += m_flow[a * sexes + s];
        for (std::size_t a = 0; a < ages; ++a)
            m_flow[a * sexes + s] = total * m_redistribution[a * sexes + s];
    }
}

void TransitionProbabilityBase::finalizeMeans(std::uint32_t iterations)
{
    m_probabilityMean = samples::meansOf(m_probabilitySum, iterations);
    m_redistributionMean = samples::meansOf(m_redistributionSum, iterations);
    m_flowMean = samples::meansOf(m_flowSum, iterations);
}

} // namespace fn

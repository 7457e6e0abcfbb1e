#include "fn/model/elements/HealthState.h"

#include <algorithm>
#include <cmath>

#include "fn/model/elements/Discounting.h"
#include "fn/model/elements/HealthOutcome.h"
#include "fn/model/elements/SampleStores.h"
#include "fn/model/elements/TransitionProbabilityBase.h"

namespace fn {

namespace {

const QString descriptionKey = QStringLiteral("description");
const QString weblinkKey = QStringLiteral("weblink");
const QString remainingCasesKey = QStringLiteral("remaining cases");

void addFlows(Marray& sum, const QVector<TransitionProbabilityBase*>& transitions)
{
    for (const TransitionProbabilityBase* transition : transitions)
        sum += transition->flow();
}

} // namespace

HealthState::HealthState(const ID& id, const QString& name, const DataArray& proportion, const DataArray& severity,
                         const DataArray& duration, int sequelaType, const Marray::Shape& strataShape,
                         HealthOutcome* parentOutcome)
    : SequelaBase(id, name, strataShape, sequelaType, parentOutcome)
    , m_proportion(proportion)
    , m_severity(severity)
    , m_duration(duration)
    , m_normalizedProportion(strataShape, 0.0)
    , m_burden(strataShape, 0.0)
    , m_burdenSum(strataShape, 0.0)
    , m_burdenMean(strataShape, 0.0)
    , m_zeros(strataShape, 0.0)
{
    normalizeMeta(m_proportion);
    normalizeMeta(m_severity);
    normalizeMeta(m_duration);
    readRemainingCases();
}

HealthState::~HealthState() = default;

void HealthState::normalizeMeta(DataArray& array)
{
    DataArray::Meta meta = array.meta();
    if (!meta.contains(descriptionKey))
        meta.insert(descriptionKey, QString());
    if (!meta.contains(weblinkKey))
        meta.insert(weblinkKey, QString());
    if (array.name().toLower() == QLatin1String("proportion") && !meta.contains(remainingCasesKey))
        meta.insert(remainingCasesKey, QStringLiteral("No"));
    array.setMeta(meta);
}

void HealthState::readRemainingCases()
{
    m_remainingCases = m_proportion.metaValue(remainingCasesKey).toUpper() == QLatin1String("YES");
}

DataArray& HealthState::parameter(InputType::HealthStateParamType type)
{
    switch (type) {
    case InputType::Severity:
        return m_severity;
    case InputType::Duration:
        return m_duration;
    case InputType::Proportion:
        break;
    }
    return m_proportion;
}

const DataArray& HealthState::parameter(InputType::HealthStateParamType type) const
{
    return const_cast<HealthState*>(this)->parameter(type);
}

void HealthState::setParameter(InputType::HealthStateParamType type, const DataArray& array)
{
    DataArray& target = parameter(type);
    target = array;
    normalizeMeta(target);
    readRemainingCases();
}

void HealthState::initializeParsers()
{
    m_severity.initializeParser();
    m_duration.initializeParser();
    m_proportion.initializeParser();
}

void HealthState::resetSums()
{
    resetCaseSums();
    std::fill(m_burdenSum.begin(), m_burdenSum.end(), 0.0);
}

void HealthState::sample()
{
    m_severity.evaluate();
    m_duration.evaluate();
    m_proportion.evaluate();
}

void HealthState::normalizeProportion(const Marray& proportionSum)
{
    const Marray& proportion = m_proportion.values();
    const std::size_t n = std::min({proportion.size(), proportionSum.size(), m_normalizedProportion.size()});
    for (std::size_t i = 0; i < n; ++i)
        m_normalizedProportion[i] = proportion[i] / proportionSum[i];
}

void HealthState::compute(double discountRate)
{
    ++m_iteration;
    std::fill(m_cases.begin(), m_cases.end(), 0.0);
    addFlows(m_cases, incoming());

    const TransitionProbabilityBase* entry = incoming().isEmpty() ? nullptr : incoming().front();
    if (m_parentOutcome && !m_parentOutcome->incoming().isEmpty()) {
        std::fill(m_cases.begin(), m_cases.end(), 0.0);
        addFlows(m_cases, m_parentOutcome->incoming());
        for (std::size_t i = 0; i < m_cases.size(); ++i)
            m_cases[i] *= m_normalizedProportion[i];
        entry = m_parentOutcome->incoming().front();
    }
    // A state reached by nothing starts at infection with no remaining life expectancy.
    const Marray& lifeExpectancy = entry ? entry->sourceLifeExpectancy() : m_zeros;
    const Marray& onset = entry ? entry->sourceExitTime() : m_zeros;

    Marray& duration = m_duration.values();
    // Truncation toward zero as in an integer conversion, without its undefined behaviour for
    // not-a-number and huge durations.
    const bool lifelong = duration.size() > 0 && std::trunc(duration[0]) == -1.0;
    const std::size_t n = std::min(duration.size(), lifeExpectancy.size());
    for (std::size_t i = 0; i < n; ++i) {
        double d = lifelong ? lifeExpectancy[i] : discountedDuration(duration[i], onset[i], discountRate);
        d = std::min(d, lifeExpectancy[i]);
        duration[i] = d;
        m_exitTimes[i] = onset[i] + d;
        m_exitLifeExpectancy[i] = lifeExpectancy[i] - d;
    }

    const Marray& severity = m_severity.values();
    const std::size_t cells = std::min({m_burden.size(), m_cases.size(), severity.size(), duration.size()});
    for (std::size_t i = 0; i < m_burden.size(); ++i) {
        double burden = 0.0;
        if (i < cells && (m_sequelaType == InputType::ASYMPTOMATIC || m_sequelaType == InputType::YLD))
            burden = m_cases[i] * severity[i] * duration[i];
        else if (m_sequelaType == InputType::YLL)
            burden = m_cases[i] * m_exitLifeExpectancy[i];
        m_burden[i] = burden;
    }

    recordCases();
    samples::addToSums(m_burdenSum, m_burden);

    for (TransitionProbabilityBase* transition : outgoing())
        transition->propagate();
}

void HealthState::finalizeMeans(std::uint32_t iterations)
{
    finalizeCaseMeans(iterations);
    m_burdenMean = samples::meansOf(m_burdenSum, iterations);
}

} // namespace fn

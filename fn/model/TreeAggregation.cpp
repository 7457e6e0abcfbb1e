#include "fn/model/TreeAggregation.h"

#include <algorithm>

#include "fn/InputType.h"
#include "fn/model/elements/HealthOutcome.h"
#include "fn/model/elements/HealthState.h"
#include "fn/model/elements/Infection.h"
#include "fn/model/OutcomeTree.h"
#include "fn/model/elements/TransitionProbabilityBase.h"

namespace fn {

namespace {

bool takesPartInAggregation(const HealthOutcome& outcome)
{
    return !outcome.healthStates().isEmpty() && outcome.healthStates().front()->sequelaType() == InputType::YLD;
}

// Starts sum at 0 and adds the stratum values of every state, in list order.
template <typename Values>
void sumOver(std::vector<double>& sum, const std::vector<const HealthState*>& states, Values values)
{
    std::fill(sum.begin(), sum.end(), 0.0);
    for (const HealthState* state : states) {
        const Marray& v = values(*state);
        const std::size_t n = std::min(sum.size(), v.size());
        for (std::size_t i = 0; i < n; ++i)
            sum[i] += v[i];
    }
}

void addInto(std::vector<double>& sum, const std::vector<double>& values)
{
    for (std::size_t i = 0; i < sum.size(); ++i)
        sum[i] += values[i];
}

} // namespace

TreeAggregation::TreeAggregation(const OutcomeTree& tree, ModelRunRecord& record)
    : m_record(record)
    , m_sourceTransition(tree.infection()->sourceTransition())
    , m_strata(record.strataCount())
{
    QVector<QPair<QString, bool>> reported;
    for (const HealthOutcome& outcome : tree.healthOutcomes()) {
        if (!takesPartInAggregation(outcome))
            continue;
        OutcomePlan plan;
        plan.acute = outcome.isAcute();
        plan.reportedIndex = -1;
        if (outcome.inResults()) {
            plan.reportedIndex = m_reportedCount++;
            reported.append({outcome.name(), outcome.isAcute()});
        }
        for (const HealthState* state : outcome.healthStates()) {
            plan.states.push_back(state);
            if (state->sequelaType() == InputType::YLD)
                plan.disabilityStates.push_back(state);
        }
        addDeathStates(plan.deathStates, outcome.outgoing());
        for (const HealthState* state : plan.disabilityStates)
            addDeathStates(plan.deathStates, state->outgoing());
        m_outcomes.push_back(std::move(plan));
    }
    m_series = &record.startTree(reported, tree.population());
    for (int sum = 0; sum < ModelRunRecord::SumCount; ++sum)
        m_writtenBefore[sum] = record.isWritten(ModelRunRecord::Sum(sum));
    for (std::vector<double>* scratch :
         {&m_yld, &m_yll, &m_cases, &m_deaths, &m_acuteYld, &m_acuteYll, &m_sequelaYld, &m_sequelaYll, &m_treeCases})
        scratch->assign(m_strata, 0.0);
}

void TreeAggregation::addDeathStates(std::vector<const HealthState*>& into,
                                     const QVector<TransitionProbabilityBase*>& transitions)
{
    for (const TransitionProbabilityBase* transition : transitions) {
        const OutcomeTreeNode* target = transition->target();
        if (!target)
            continue;
        if (target->nodeKind() == OutcomeTreeNode::HealthOutcomeKind) {
            for (const HealthState* state : static_cast<const HealthOutcome*>(target)->healthStates()) {
                if (state->sequelaType() == InputType::YLL)
                    into.push_back(state);
            }
            continue;
        }
        const auto* state = dynamic_cast<const HealthState*>(target);
        if (state && state->sequelaType() == InputType::YLL)
            into.push_back(state);
    }
}

double TreeAggregation::total(const double* values, std::size_t count)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < count; ++i)
        sum += values[i];
    return sum;
}

void TreeAggregation::store(ModelRunRecord::Sum sum, std::uint32_t iteration, const double* values, bool first)
{
    double* row = m_record.row(sum, iteration);
    // The first share of a sum is stored as 0 plus the value, exactly as if added to zeros.
    if (first) {
        for (std::size_t i = 0; i < m_strata; ++i)
            row[i] = 0.0 + values[i];
    } else {
        for (std::size_t i = 0; i < m_strata; ++i)
            row[i] += values[i];
    }
}

void TreeAggregation::addIteration(std::uint32_t k)
{
    const auto burden = [](const HealthState& state) -> const Marray& { return state.burden(); };
    const auto cases = [](const HealthState& state) -> const Marray& { return state.cases(); };
    std::fill(m_acuteYld.begin(), m_acuteYld.end(), 0.0);
    std::fill(m_acuteYll.begin(), m_acuteYll.end(), 0.0);
    std::fill(m_sequelaYld.begin(), m_sequelaYld.end(), 0.0);
    std::fill(m_sequelaYll.begin(), m_sequelaYll.end(), 0.0);

    bool firstDeaths = !m_writtenBefore[ModelRunRecord::Deaths];
    for (const OutcomePlan& plan : m_outcomes) {
        sumOver(m_yld, plan.states, burden);
        sumOver(m_yll, plan.deathStates, burden);
        if (plan.reportedIndex >= 0) {
            sumOver(m_cases, plan.disabilityStates, cases);
            sumOver(m_deaths, plan.deathStates, cases);
            const ModelRunRecord::TreeSeries::Outcome& series = m_series->outcomes[std::size_t(plan.reportedIndex)];
            series.yld[k] = total(m_yld.data(), m_strata);
            series.yll[k] = total(m_yll.data(), m_strata);
            series.cases[k] = total(m_cases.data(), m_strata);
            series.deaths[k] = total(m_deaths.data(), m_strata);
            store(ModelRunRecord::Deaths, k, m_deaths.data(), firstDeaths);
            firstDeaths = false;
        }
        addInto(plan.acute ? m_acuteYld : m_sequelaYld, m_yld);
        addInto(plan.acute ? m_acuteYll : m_sequelaYll, m_yll);
    }
    // A tree without reported outcomes that is the first to reach the deaths still writes its
    // zeros: the row may be read as soon as the last tree computed the iteration, and its
    // storage may hold another model's values until written.
    if (firstDeaths) {
        std::fill(m_deaths.begin(), m_deaths.end(), 0.0);
        store(ModelRunRecord::Deaths, k, m_deaths.data(), true);
    }

    // The tree's cases are the flow of the infection's source transition; strata it does not
    // cover have none.
    const Marray& flow = m_sourceTransition->flow();
    for (std::size_t i = 0; i < m_strata; ++i)
        m_treeCases[i] = i < flow.size() ? flow[i] : 0.0;

    store(ModelRunRecord::AcuteYld, k, m_acuteYld.data(), !m_writtenBefore[ModelRunRecord::AcuteYld]);
    store(ModelRunRecord::AcuteYll, k, m_acuteYll.data(), !m_writtenBefore[ModelRunRecord::AcuteYll]);
    store(ModelRunRecord::SequelaYld, k, m_sequelaYld.data(), !m_writtenBefore[ModelRunRecord::SequelaYld]);
    store(ModelRunRecord::SequelaYll, k, m_sequelaYll.data(), !m_writtenBefore[ModelRunRecord::SequelaYll]);
    store(ModelRunRecord::Cases, k, m_treeCases.data(), !m_writtenBefore[ModelRunRecord::Cases]);

    m_series->treeCases[k] = total(m_treeCases.data(), m_strata);
    m_series->acuteYld[k] = total(m_acuteYld.data(), m_strata);
    m_series->acuteYll[k] = total(m_acuteYll.data(), m_strata);
    m_series->sequelaYld[k] = total(m_sequelaYld.data(), m_strata);
    m_series->sequelaYll[k] = total(m_sequelaYll.data(), m_strata);
    double totalYld = 0.0;
    double totalYll = 0.0;
    for (std::size_t i = 0; i < m_strata; ++i) {
        totalYld += m_acuteYld[i] + m_sequelaYld[i];
        totalYll += m_acuteYll[i] + m_sequelaYll[i];
    }
    m_series->totalYld[k] = totalYld;
    m_series->totalYll[k] = totalYll;
    m_record.setIterationsDone(k + 1);
}

void TreeAggregation::finish()
{
    for (int sum = 0; sum < ModelRunRecord::SumCount; ++sum)
        m_record.setWritten(ModelRunRecord::Sum(sum));
}

} // namespace fn

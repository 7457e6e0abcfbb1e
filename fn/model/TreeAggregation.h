#pragma once

#include <cstdint>
#include <vector>

#include "fn/model/ModelRunRecord.h"

namespace fn {

class HealthOutcome;
class HealthState;
class OutcomeTree;
class TransitionProbabilityBase;

// Turns the states of one tree, after each iteration, into what the results need: the YLD,
// YLL, cases and deaths of every health outcome that takes part in the aggregation (its first
// state is a disability state), the tree's acute and sequela sums, its cases, and their
// per-iteration totals. The tree's share is added into the model's stratified sums; nothing
// the size of strata x iterations is allocated.
//
// Every sum is taken in the same order as over whole per-iteration arrays: states in list
// order, outcomes in run order, strata in scalar-index order, each sum starting from 0.
class TreeAggregation
{
public:
    TreeAggregation(const OutcomeTree& tree, ModelRunRecord& record);

    // Number of outcomes with results of their own.
    int reportedOutcomeCount() const { return m_reportedCount; }
    void addIteration(std::uint32_t iteration);
    // Marks the model's sums as written: every tree writes each of them in every iteration.
    void finish();

private:
    struct OutcomePlan
    {
        bool acute;
        int reportedIndex; // -1 when the outcome has no results of its own
        std::vector<const HealthState*> states;
        std::vector<const HealthState*> disabilityStates;
        // The death states its transitions and those of its disability states lead to, once
        // per path.
        std::vector<const HealthState*> deathStates;
    };

    static void addDeathStates(std::vector<const HealthState*>& into,
                               const QVector<TransitionProbabilityBase*>& transitions);
    static double total(const double* values, std::size_t count);
    void store(ModelRunRecord::Sum sum, std::uint32_t iteration, const double* values, bool first);

    ModelRunRecord& m_record;
    const TransitionProbabilityBase* m_sourceTransition;
    std::vector<OutcomePlan> m_outcomes;
    int m_reportedCount = 0;
    ModelRunRecord::TreeSeries* m_series = nullptr;
    std::size_t m_strata;
    bool m_writtenBefore[ModelRunRecord::SumCount];
    // Per-stratum scratch, reused every iteration.
    std::vector<double> m_yld, m_yll, m_cases, m_deaths;
    std::vector<double> m_acuteYld, m_acuteYll, m_sequelaYld, m_sequelaYll, m_treeCases;
};

} // namespace fn

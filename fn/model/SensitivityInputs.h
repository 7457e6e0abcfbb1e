#pragma once

#include <cstdint>
#include <vector>

#include <QString>

#include "fn/stats/SampleBuffer.h"
#include "fn/values/Marray.h"

namespace fn {

class DataArray;
class DiseaseModel;
class OutcomeTree;

// The random inputs of a model's run, recorded for the sensitivity analysis: every parameter
// array that calls a random function and whose values reach the total DALY, of the model and of
// every element, per tree (each tree's iterations draw all of them anew). Only the strata the
// tree is mapped to count. The cells of an array that share one formula are one input: per
// iteration, their mean weighted by the cases that reach the element in each stratum, so that a
// per-stratum parameter is credited with what it contributes (one cell alone is itself); cells
// with another formula are inputs of their own. Not listed, as they cannot reach the total DALY:
// the model's notified cases and life expectancy (each tree uses its infection's copy), its age
// distribution (only the rates per population use it), the redistribution of a transition that
// is not redistributed, the proportion of a state that takes the remaining cases and the
// probability of the infection's only transition, through which its notified cases are scaled
// back to infections (the flow is the notified cases whatever it draws).
//
// Recording reads the drawn values after each iteration's draws, before anything is computed
// from them (capture), and weighs them once the iteration's cases are known (weigh).
class SensitivityInputs
{
public:
    struct Input
    {
        QString treeId;
        QString elementId; // empty for the model's own parameters
        QString elementName;
        QString parameter;
        QString formula; // the formula its cells share
        std::vector<std::size_t> cells;
        QString cellsText; // which cells, and how they are summarised
    };

    explicit SensitivityInputs(std::uint32_t iterations);

    // Takes the random inputs of the tree about to run; its iterations are captured next.
    void startTree(const OutcomeTree& tree, const DiseaseModel& model);
    // Keeps the drawn values of the current tree's inputs in iteration k.
    void capture(std::uint32_t k);
    // Records the inputs of iteration k, weighted by the cases the iteration computed.
    void weigh(std::uint32_t k);

    std::uint32_t iterations() const { return m_iterations; }
    const std::vector<Input>& inputs() const { return m_inputs; }
    // The recorded values of input i, one per iteration of its tree.
    const double* draws(std::size_t input) const { return m_draws[input]; }

private:
    void addArray(const DataArray& array, const Marray& cases, const QString& treeId, const QString& elementId,
                  const QString& elementName);
    QString describeCells(const DataArray& array, const std::vector<std::size_t>& cells) const;

    std::uint32_t m_iterations;
    std::vector<Input> m_inputs;
    // Of the current tree: which strata belong to it, the arrays behind its inputs, the cases
    // that weigh their cells, the values drawn in the iteration and where the records go.
    std::vector<bool> m_inTree;
    std::vector<const DataArray*> m_arrays;
    std::vector<const Marray*> m_cases;
    std::vector<std::size_t> m_firstValue;
    std::vector<double> m_values;
    std::vector<double*> m_draws;
    std::size_t m_firstOfTree = 0;
    std::vector<SampleBuffer> m_buffers;
};

} // namespace fn

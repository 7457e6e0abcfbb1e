#pragma once

#include <cstdint>
#include <vector>

#include <QString>

#include "fn/stats/SampleBuffer.h"

namespace fn {

class DataArray;
class DiseaseModel;
class OutcomeTree;

// The random inputs of a model's run, recorded for the sensitivity analysis: every parameter
// array that calls a random function, of the model and of every element, per tree (each tree's
// iterations draw all of them anew). The cells of an array that share one formula are one input,
// their population-weighted mean per iteration (one cell alone is itself); cells with another
// formula are inputs of their own. Recording only reads the drawn values, after each iteration's
// draws and before anything is computed from them.
class SensitivityInputs
{
public:
    struct Input
    {
        QString treeId;
        QString elementId;  // empty for the model's own parameters
        QString elementName;
        QString parameter;
        QString formula;    // the formula its cells share
        std::vector<std::size_t> cells;
        QString cellsText;  // which cells, and how they are summarised
    };

    // weights: the population per stratum, for the means over cells.
    SensitivityInputs(std::uint32_t iterations, std::vector<double> weights);

    // Takes the random inputs of the tree about to run; its iterations are captured next.
    void startTree(const OutcomeTree& tree, const DiseaseModel& model);
    // Records the inputs of the current tree in iteration k.
    void capture(std::uint32_t k);

    std::uint32_t iterations() const { return m_iterations; }
    const std::vector<Input>& inputs() const { return m_inputs; }
    // The recorded values of input i, one per iteration of its tree.
    const double* draws(std::size_t input) const { return m_draws[input]; }

private:
    void addArray(const DataArray& array, const QString& treeId, const QString& elementId, const QString& elementName);
    QString describeCells(const DataArray& array, const std::vector<std::size_t>& cells) const;

    std::uint32_t m_iterations;
    std::vector<double> m_weights;
    std::vector<Input> m_inputs;
    // The arrays behind the inputs of the current tree, and where their draws go.
    std::vector<const DataArray*> m_arrays;
    std::vector<double*> m_draws;
    std::size_t m_firstOfTree = 0;
    std::vector<SampleBuffer> m_buffers;
};

} // namespace fn

#pragma once

#include <cstddef>
#include <vector>

#include <QStringList>

#include <muParser.h>

namespace fn {

// The cell formulas of a data array compiled for evaluation. The formula library caps one
// expression at 20 000 characters, so the cells are joined into comma-separated chunks of
// bounded length, each compiled by its own parser; evaluating the chunks one after the
// other, in cell order, draws the random functions in the same order as one expression
// holding every cell would.
//
// Each cell must pair its own brackets and hold no comma outside them (CellFormula), a cell with
// a conditional or a quote is joined in brackets of its own, and each chunk must yield exactly
// one result per cell: a cell can never give two values or none and so move its neighbours'
// results along.
//
// Formulas that call no random function give the same values at every evaluation: those are
// evaluated once after compiling and then copied, which draws nothing either way.
class CompiledFormulaList
{
public:
    // The longest joined chunk; a single longer cell forms a chunk of its own.
    static constexpr int ChunkLength = 8000;

    CompiledFormulaList() = default;

    // Compiles the formulas; false (and nothing compiled) when any chunk does not compile or
    // any cell would not yield exactly one result.
    bool compile(const QStringList& formulas);
    void clear();
    bool isEmpty() const { return m_chunks.empty(); }
    std::size_t chunkCount() const { return m_chunks.size(); }

    // Evaluates every chunk once, in order; the result of cell i goes to target[i] for every
    // i below size, further cells are drawn but dropped. Returns how many of target were
    // written (from the first on).
    std::size_t evaluate(double* target, std::size_t size);

    // Whether an evaluation draws from the random engine.
    bool draws() const { return m_draws; }

private:
    std::vector<mu::Parser> m_chunks;
    bool m_draws = false;
    // The results of the first evaluation, for formulas that draw nothing.
    std::vector<double> m_fixedResults;
    bool m_haveFixedResults = false;
};

} // namespace fn

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
class CompiledFormulaList
{
public:
    // The longest joined chunk; a single longer cell forms a chunk of its own.
    static constexpr int ChunkLength = 8000;

    CompiledFormulaList() = default;

    // Compiles the formulas; false (and nothing compiled) when any chunk does not compile.
    bool compile(const QStringList& formulas);
    void clear() { m_chunks.clear(); }
    bool isEmpty() const { return m_chunks.empty(); }
    std::size_t chunkCount() const { return m_chunks.size(); }

    // Evaluates every chunk once, in order; result i of the whole list goes to target[i]
    // for every i below size, further results are drawn but dropped.
    void evaluate(double* target, std::size_t size);

private:
    std::vector<mu::Parser> m_chunks;
};

} // namespace fn

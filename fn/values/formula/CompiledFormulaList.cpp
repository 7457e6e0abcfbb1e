#include "fn/values/formula/CompiledFormulaList.h"

#include <algorithm>

#include "fn/values/formula/CellFormula.h"
#include "fn/values/DataValue.h"
#include "fn/values/random/RandomFunctions.h"

namespace fn {

namespace {

struct Chunk
{
    QString text;
    int cells = 0;
};

// Joins consecutive cells with "," while the text stays within ChunkLength characters. A cell
// that pairs its brackets and holds no comma outside them (CellFormula) is one expression of the
// list as it stands; one with a conditional (?:) or a quote could still reach into its
// neighbour, so it goes in brackets of its own. Brackets around a whole expression change
// neither its value nor the order in which it draws; leaving them off the other cells keeps
// their text, and so their compiling, as it always was.
std::vector<Chunk> joinedChunks(const QStringList& formulas)
{
    std::vector<Chunk> chunks;
    Chunk current;
    for (const QString& formula : formulas) {
        const bool enclosed = formula.contains(QLatin1Char('?')) || formula.contains(QLatin1Char(':'))
            || formula.contains(QLatin1Char('"'));
        const int length = formula.size() + (enclosed ? 2 : 0);
        if (current.cells > 0 && current.text.size() + 1 + length > CompiledFormulaList::ChunkLength) {
            chunks.push_back(std::move(current));
            current = Chunk();
        }
        if (current.cells > 0)
            current.text += QLatin1Char(',');
        if (enclosed)
            current.text += QLatin1Char('(') + formula + QLatin1Char(')');
        else
            current.text += formula;
        ++current.cells;
    }
    if (current.cells > 0)
        chunks.push_back(std::move(current));
    return chunks;
}

} // namespace

void CompiledFormulaList::clear()
{
    m_chunks.clear();
    m_draws = false;
    m_fixedResults.clear();
    m_haveFixedResults = false;
}

bool CompiledFormulaList::compile(const QStringList& formulas)
{
    clear();
    for (const QString& formula : formulas) {
        if (!CellFormula::shapeProblem(formula).isEmpty())
            return false;
    }
    const std::vector<Chunk> texts = joinedChunks(formulas);
    std::vector<mu::Parser> chunks(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        mu::Parser& parser = chunks[i];
        configureFormulaParser(parser);
        // Compiling counts the results without evaluating, so nothing is drawn here.
        if (!compileFormula(parser, texts[i].text) || parser.GetNumResults() != texts[i].cells)
            return false;
    }
    m_chunks = std::move(chunks);
    m_draws = std::any_of(formulas.begin(), formulas.end(), callsRandomFunction);
    return true;
}

std::size_t CompiledFormulaList::evaluate(double* target, std::size_t size)
{
    if (m_haveFixedResults) {
        const std::size_t n = std::min(m_fixedResults.size(), size);
        std::copy(m_fixedResults.begin(), m_fixedResults.begin() + std::ptrdiff_t(n), target);
        return n;
    }
    std::size_t offset = 0;
    for (mu::Parser& parser : m_chunks) {
        int count = 0;
        const double* results = parser.Eval(count);
        const std::size_t n = static_cast<std::size_t>(std::max(count, 0));
        for (std::size_t i = 0; i < n && offset + i < size; ++i)
            target[offset + i] = results[i];
        offset += n;
    }
    const std::size_t written = std::min(offset, size);
    if (!m_draws && !m_chunks.empty()) {
        m_fixedResults.assign(target, target + written);
        m_haveFixedResults = true;
    }
    return written;
}

} // namespace fn

#include "fn/values/CompiledFormulaList.h"

#include <algorithm>

#include "fn/values/DataValue.h"
#include "fn/values/RandomFunctions.h"

namespace fn {

namespace {

// Joins consecutive cells with "," while the text stays within ChunkLength characters.
QStringList joinedChunks(const QStringList& formulas)
{
    QStringList chunks;
    QString current;
    bool open = false;
    for (const QString& formula : formulas) {
        if (open && current.size() + 1 + formula.size() > CompiledFormulaList::ChunkLength) {
            chunks << current;
            current.clear();
            open = false;
        }
        if (open)
            current += QLatin1Char(',');
        current += formula;
        open = true;
    }
    if (open)
        chunks << current;
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
    const QStringList texts = joinedChunks(formulas);
    std::vector<mu::Parser> chunks(static_cast<std::size_t>(texts.size()));
    for (int i = 0; i < texts.size(); ++i) {
        mu::Parser& parser = chunks[static_cast<std::size_t>(i)];
        configureFormulaParser(parser);
        if (!compileFormula(parser, texts.at(i)))
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

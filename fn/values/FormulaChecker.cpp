#include "fn/values/FormulaChecker.h"

#include "fn/values/RandomFunctions.h"

namespace fn {

FormulaChecker::FormulaChecker()
{
    configureFormulaParser(m_parser);
}

FormulaChecker::~FormulaChecker() = default;

bool FormulaChecker::check(const QString& formula)
{
    try {
        m_parser.SetExpr(formula.toStdString());
        m_parser.Eval();
        return true;
    } catch (const mu::Parser::exception_type&) {
        return false;
    }
}

bool FormulaChecker::check(const QStringList& formulas, QList<bool>& results)
{
    results.clear();
    bool all = true;
    for (const QString& formula : formulas) {
        bool accepted = false;
        try {
            m_parser.SetExpr(formula.toStdString());
            int count = 0;
            m_parser.Eval(count);
            accepted = count <= 1;
        } catch (const mu::Parser::exception_type&) {
            accepted = false;
        }
        results << accepted;
        all = all && accepted;
    }
    return all;
}

} // namespace fn

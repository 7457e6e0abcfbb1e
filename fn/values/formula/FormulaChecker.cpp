#include "fn/values/formula/FormulaChecker.h"

#include "fn/values/formula/CellFormula.h"
#include "fn/values/random/RandomFunctions.h"

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
    QStringList reasons;
    return check(formulas, results, reasons);
}

bool FormulaChecker::check(const QStringList& formulas, QList<bool>& results, QStringList& reasons)
{
    results.clear();
    reasons.clear();
    bool all = true;
    for (const QString& formula : formulas) {
        QString reason;
        try {
            m_parser.SetExpr(formula.toStdString());
            int count = 0;
            m_parser.Eval(count);
            // A cell holds one value: "1, 2" compiles but gives two, and "82,1" is most likely a
            // number typed with a decimal comma.
            if (count > 1)
                reason = CellFormula::manyValues(count, formula);
        } catch (const mu::Parser::exception_type& e) {
            reason = QString::fromStdString(e.GetMsg());
            if (reason.isEmpty())
                reason = QStringLiteral("it cannot be read as a formula");
        }
        results << reason.isEmpty();
        reasons << reason;
        all = all && reason.isEmpty();
    }
    return all;
}

} // namespace fn

#include "fn/values/formula/FormulaProblems.h"

#include <muParser.h>

#include "fn/values/formula/CellFormula.h"
#include "fn/values/random/RandomFunctions.h"

namespace fn {

QString FormulaProblems::stratumOf(int index, int cellCount, const InputFactorPtrs& factors)
{
    qint64 strata = 1;
    for (const InputFactor* factor : factors)
        strata *= factor->levelCount();
    if (factors.isEmpty() || strata != cellCount)
        return QStringLiteral("cell %1").arg(index + 1);
    QStringList levels;
    int rest = index;
    for (int k = factors.size() - 1; k >= 0; --k) {
        const InputFactor& factor = *factors[k];
        levels.prepend(factor.name() + QLatin1Char(' ') + factor.levels().value(rest % factor.levelCount()));
        rest /= factor.levelCount();
    }
    return QStringLiteral("stratum ") + levels.join(QStringLiteral(", "));
}

namespace {

// The reason why parser does not compile expression into one value, empty when it does.
QString problemOf(mu::Parser& parser, const QString& expression)
{
    const QString shape = CellFormula::shapeProblem(expression);
    if (!shape.isEmpty())
        return shape;
    try {
        parser.SetExpr(expression.toStdString());
        // Formulas have no variables: a name the parser could not resolve is an error.
        const mu::varmap_type unknown = parser.GetUsedVar();
        if (!unknown.empty())
            return QStringLiteral("unknown name \"%1\"").arg(QString::fromStdString(unknown.begin()->first));
        if (parser.GetNumResults() != 1)
            return CellFormula::manyValues(parser.GetNumResults(), expression);
        return {};
    } catch (const mu::Parser::exception_type& error) {
        return QString::fromStdString(error.GetMsg());
    }
}

} // namespace

QStringList FormulaProblems::describe(const QStringList& formulas, const InputFactorPtrs& factors)
{
    mu::Parser parser;
    configureFormulaParser(parser);
    QStringList lines;
    int failing = 0;
    for (int i = 0; i < formulas.size(); ++i) {
        const QString reason = problemOf(parser, formulas[i]);
        if (reason.isEmpty())
            continue;
        if (++failing <= ListedCells)
            lines << QStringLiteral("%1: \"%2\": %3")
                         .arg(FormulaProblems::stratumOf(i, formulas.size(), factors), formulas[i], reason);
    }
    if (failing > ListedCells)
        lines << QStringLiteral("and %1 more cells that do not compile to one value").arg(failing - ListedCells);
    return lines;
}

} // namespace fn

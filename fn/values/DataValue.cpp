#include "fn/values/DataValue.h"

#include "fn/values/random/RandomFunctions.h"
#include "ut/Exception.h"

namespace fn {

bool compileFormula(mu::Parser& parser, const QString& expression)
{
    try {
        parser.SetExpr(expression.toStdString());
        // Building the used-variable list runs the full syntax check; formulas have no
        // variables, so any name the parser could not resolve is an error.
        return parser.GetUsedVar().empty();
    } catch (const mu::Parser::exception_type&) {
        return false;
    }
}

DataValue::DataValue(const QString& formula)
    : m_formula(formula)
{
    initializeParser();
}

DataValue::~DataValue() = default;

void DataValue::setFormula(const QString& formula)
{
    m_formula = formula;
    initializeParser();
}

void DataValue::initializeParser()
{
    configureFormulaParser(m_parser);
    if (compileFormula(m_parser, m_formula))
        return;
    m_formula = QStringLiteral("0");
    compileFormula(m_parser, m_formula);
    throw ut::Exception(QStringLiteral("Formula cannot be parsed.\nInstead it has been set to evaluate to 0."),
                        QStringLiteral("fn::DataValue::initializeParser"));
}

double& DataValue::evaluate()
{
    m_value = m_parser.Eval();
    return m_value;
}

} // namespace fn

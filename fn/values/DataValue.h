#pragma once

#include <QString>

#include <muParser.h>

namespace fn {

// A scalar model parameter defined by a formula. Each evaluation draws anew when the
// formula calls random functions; the formula text is what is stored and exchanged.
class DataValue
{
public:
    // Throws ut::Exception when the formula cannot be compiled; it is then set to "0".
    explicit DataValue(const QString& formula);
    virtual ~DataValue();

    void setFormula(const QString& formula);
    void initializeParser();
    double& evaluate();

    const QString& formula() const { return m_formula; }
    double value() const { return m_value; }

private:
    QString m_formula;
    double m_value = 0.0;
    mu::Parser m_parser;
};

// Compiles the expression without evaluating it, so that compiling never draws from the
// random engine; false when it is not syntactically complete or names an unknown symbol.
bool compileFormula(mu::Parser& parser, const QString& expression);

} // namespace fn

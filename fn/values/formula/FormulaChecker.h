#pragma once

#include <QList>
#include <QStringList>

#include <muParser.h>

namespace fn {

// Decides whether formula texts are acceptable before they are stored in a model: they
// must compile and evaluate in a parser configured like every other formula parser.
class FormulaChecker
{
public:
    FormulaChecker();
    virtual ~FormulaChecker();

    bool check(const QString& formula);
    // One entry per formula; a cell formula must also yield exactly one result.
    bool check(const QStringList& formulas, QList<bool>& results);
    // The same, with why each refused formula was refused (an empty text for an accepted one).
    bool check(const QStringList& formulas, QList<bool>& results, QStringList& reasons);

private:
    mu::Parser m_parser;
};

} // namespace fn

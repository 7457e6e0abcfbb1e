#pragma once

#include <QJsonValue>
#include <QString>
#include <QVector>

#include "fn/values/DataArray.h"
#include "fn/values/formula/FormulaChecker.h"
#include "fn/values/InputFactor.h"
#include "app/refdata/sources/SourcePath.h"

namespace refdata {

// Turns a stratified table of the sources into a data array over fixed factors. A table
// is one formula for every stratum, a list of cells and rows of cells whose concatenation
// runs over the strata first-major (age group 0 female, age group 0 male, age group 1
// female, ...), or an object {"values": ..., "meta": {...}} holding either form. Cells are
// formula strings or numbers; every formula must compile.
class SourceArrayReader
{
public:
    explicit SourceArrayReader(const QVector<fn::InputFactor>& factors);

    fn::DataArray read(const QJsonValue& table, const QString& name, const SourcePath& path);
    // A single formula, as a cell would be checked.
    bool isValidFormula(const QString& formula);

    int cellCount() const { return m_cellCount; }
    const QVector<fn::InputFactor>& factors() const { return m_factors; }

private:
    static fn::DataArray::Meta readMeta(const QJsonValue& table, const SourcePath& path);
    QStringList readCells(const QJsonValue& values, const SourcePath& path);
    void checkFormulas(const QStringList& formulas, const SourcePath& path);
    // "Age 5-9, Male" for a scalar index.
    QString stratumName(int index) const;

    QVector<fn::InputFactor> m_factors;
    int m_cellCount = 1;
    fn::FormulaChecker m_checker;
};

} // namespace refdata

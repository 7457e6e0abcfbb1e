#pragma once

#include <QList>
#include <QStringList>
#include <QVariantMap>

#include "fn/values/DataArray.h"

namespace fn {
class DiseaseTemplate;
}

namespace ui {

// The maps in which stratified parameters travel to and from the page: a table with one
// row per level of the first factor and one column per level of the second, plus the
// metadata rows shown beside it.

enum class TableCells { Formulas = 0, Values = 1 };
enum class FormulaSet { Defined = 0, Current = 1 };

QVariantMap dataArrayToMap(const fn::DataArray& array, TableCells kind = TableCells::Formulas,
                           FormulaSet which = FormulaSet::Defined);
QVariantMap formulasToTableMap(const QVariantList& cells, const fn::InputFactorPtrs& factors);
QVariantMap formulasToTableMap(const QStringList& cells, const fn::InputFactorPtrs& factors);
QVariantMap formulasToTableMap(const QList<bool>& cells, const fn::InputFactorPtrs& factors);
QVariantMap valuesToTableMap(const Marray& values, const fn::InputFactorPtrs& factors);
QStringList tableMapToFormulas(const QVariantMap& map, const fn::InputFactorPtrs& factors);
fn::DataArray::Meta metaRowsToMap(const QVariantMap& map);
QVariantList metaRows(const fn::DataArray::Meta& meta);

// The clipboard text as table rows: tab-separated numbers, one or (for Uniform and Pert)
// two or three cells per table cell.
QVariantMap clipboardTextToGrid(const QString& text, const QStringList& rowNames, const QStringList& colNames,
                                const QString& distrType);

// The outcome trees of a disease template in the shape the page draws a model
// specification's trees from: {"outcomeTrees": {key: {"id", "name",
// "healthOutcomesRunOrder", "healthOutcomes", "transitions"}}}, the keys sorting in the
// template's tree order.
QVariantMap outcomeTreeDiagramMap(const fn::DiseaseTemplate& diseaseTemplate);

} // namespace ui

#pragma once

#include <QMap>
#include <QString>

#include "fn/values/DataArray.h"

namespace ut {
class Excel;
class RangeRef;
} // namespace ut

namespace fn {

// Readers of the two cell blocks that reference and model workbooks are made of, reading the
// current sheet of a workbook adapter. Rows and columns are 1-based; the text of a cell is its
// value as text, trimmed.

// A labelled stratified table starting at startCell (column A):
//   label row         the array's name
//   one row           not read
//   meta rows         key (stored lower-cased) and value, ending at an empty column A, then
//                     one empty row; absent when column A two rows below the label reads "sex"
//   header row        column dimension name, then its values (empty header cells left out)
//   row-name row      row dimension name
//   formula rows      row dimension value, then one formula per header column ("0" if empty)
// The array's factors are (row dimension, column dimension) and its formulas run row by row.
// lastRow receives the table's last row; an invalid startCell gives an empty array and -1.
DataArray readStratifiedTable(const ut::RangeRef& startCell, const ut::Excel& excel, int& lastRow);

// Rows of key (column A, stored lower-cased) and value (column B) from startRow down to the
// first empty column A; a later duplicate key replaces an earlier one. lastRow receives the
// last row of the block, startRow - 1 when it is empty.
QMap<QString, QString> readKeyValueRows(const ut::Excel& excel, int startRow, int& lastRow);

} // namespace fn

#pragma once

#include <functional>
#include <limits>

#include <QMap>
#include <QString>
#include <QStringList>

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
//
// A table of the layout the program writes has as many formula rows as its row dimension has
// levels, rowCount: until that many were read, empty rows inside the table are passed over when
// a row that continues it follows (a value in column A and in a formula column; labels never
// have the latter). A rowCount of 0 reads the table to its first empty row; anyRowCount passes
// over every such gap, for a table whose row dimension is not known beforehand.
//
// Every formula cell must hold one expression: a text that would give several values (a number
// typed with a decimal comma, 82,1) or whose brackets do not pair, a boolean or an error value
// is refused with ut::Exception naming the sheet, the cell and what it holds.
DataArray readStratifiedTable(const ut::RangeRef& startCell, const ut::Excel& excel, int& lastRow, int rowCount = 0);

constexpr int anyRowCount = std::numeric_limits<int>::max();

// The levels of a row dimension known by its name, none for a name that is not known.
using RowLevelsOf = std::function<QStringList(const QString& rowDimension)>;

// As above, for a table whose row dimension is looked up once its name is read: rowCount is the
// number of its levels, and a row past a gap continues the table only when its column A holds
// one of them, so that a block that follows is never taken for rows of the table.
DataArray readStratifiedTable(const ut::RangeRef& startCell, const ut::Excel& excel, int& lastRow,
                              const RowLevelsOf& rowLevelsOf);

// "sheet "Name", cell B14": where a refused cell is, for messages.
QString cellPlace(const ut::Excel& excel, int row, int column);

// Rows of key (column A, stored lower-cased) and value (column B) from startRow down to the
// first empty column A; a later duplicate key replaces an earlier one. lastRow receives the
// last row of the block, startRow - 1 when it is empty.
QMap<QString, QString> readKeyValueRows(const ut::Excel& excel, int startRow, int& lastRow);

} // namespace fn

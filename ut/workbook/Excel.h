#pragma once

#include <optional>

#include <QPoint>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include "ut/workbook/RangeRef.h"
#include "ut/workbook/SheetRef.h"
#include "ut/workbook/Workbook.h"

namespace ut {

// The one door through which the program reads and writes workbooks. It holds at most one
// workbook in memory, read from a file or started blank, and a current sheet; every cell
// operation works on the current sheet in 1-based rows and columns. Files are read as Excel
// 97-2003 (.xls), Excel (.xlsx) or OpenDocument (.ods) workbooks, told apart by their content;
// they are always saved as Excel 97-2003 workbooks.
//
// Cell values travel as QVariant: QString text, double numbers, bool, and an invalid value for
// an empty cell or a missing object. Sheets and cells are handed out as SheetRef and RangeRef
// values, invalid when there is nothing to hand out. No operation throws: without a workbook
// or current sheet, reads return empty results and writes do nothing.
//
// Files are only ever read when opened and written by saveAs(); closing or destroying an
// instance never touches a file.
class Excel
{
public:
    // A new blank workbook with the sheets Sheet1, Sheet2 and Sheet3; sheet 1 is current.
    Excel();
    // Opens filePath read-only when it exists, otherwise starts a new blank workbook; sheet 1
    // is current. A file that exists but cannot be read whole (damaged, or not a workbook)
    // leaves no workbook (see isOpen() and errorString()): a workbook is never read in part.
    explicit Excel(const QString& filePath);
    ~Excel();

    Excel(const Excel&) = delete;
    Excel& operator=(const Excel&) = delete;

    // Whether a workbook is open; after a failed open, errorString() tells why.
    bool isOpen() const { return m_workbook.has_value(); }
    // What the last failed open, save or sheet rename went wrong with; cleared by the next
    // successful open or save.
    QString errorString() const { return m_errorString; }

    // Closes any open workbook, then opens filePath read-only; a missing or unreadable file
    // leaves no workbook open.
    void open(const QString& filePath);
    // Forgets the workbook, its sheets and the current sheet, without saving.
    void closeWorkbook();
    // The explicit form of destruction: closes the workbook without saving.
    void close();
    // Writes the workbook to path as an Excel 97-2003 workbook, adding ".xls" unless path
    // already ends with it. Does nothing without a workbook; a failed save keeps any earlier
    // file and is reported through errorString().
    // The file saveAs(path) writes: path, with ".xls" added unless it ends so.
    static QString savedPath(const QString& path);
    void saveAs(const QString& path);

    int sheetCount() const;
    // Makes sheet index (1-based) current and returns it; an index out of range leaves no
    // current sheet and returns an invalid handle.
    SheetRef selectSheet(int index);
    // Appends a sheet after the last one, names it and makes it current. When name is not a
    // valid sheet name the sheet keeps its default name (Sheet4, ...) and errorString() says why.
    SheetRef addSheet(const QString& name);
    // Deletes sheet index (1-based); nothing happens for an index out of range or for the
    // only sheet of the workbook. Deleting the current sheet leaves no current sheet.
    void deleteSheet(int index);
    // The name of the current sheet, trimmed; empty without a current sheet.
    QString sheetName() const;
    // Renames sheet; names Excel rejects (empty, over 31 characters, one of : \ / ? * [ ],
    // an apostrophe at either end, or another sheet's name in any case) leave it unchanged.
    void setSheetName(const SheetRef& sheet, const QString& name);

    // The cell at (row, column) of the current sheet.
    RangeRef cell(int row, int column) const;
    // The cells named by an A1-style address on the current sheet: "B3", "A1:C5", "A:A", "3:5".
    RangeRef range(const QString& address) const;
    // The contiguous block that starts at (row, column): down to the last row before the first
    // empty cell of that column and right to the last column before the first empty cell of
    // that row. An empty start cell gives that cell alone.
    RangeRef usedRegion(int row, int column) const;
    // The first cell of the given column (letters such as "A", or a column range such as
    // "A:A") whose whole content equals text, searching top down; case-insensitive unless
    // matchCase. Numbers compare by their text. Invalid when nothing matches.
    RangeRef find(const QString& text, const QString& column, bool matchCase) const;
    // The first row of range, -1 for an invalid range.
    int rowOf(const RangeRef& range) const;

    // The value of a single cell, or for any larger range a QVariantList of rows, each a
    // QVariantList of the same length. Whole columns and whole rows are cut to the used part
    // of the sheet. Invalid for an invalid range.
    QVariant value(const RangeRef& range) const;
    QVariant cellValue(int row, int column) const;
    // The value as text, trimmed; empty for an empty or missing cell.
    QString cellText(int row, int column) const;
    QString rangeText(const RangeRef& range) const;
    // What the cell holds that the program cannot take as a value (an error value such as
    // #DIV/0!, see Worksheet::setUnreadable); empty for any other cell. Such a cell reads as
    // empty everywhere else.
    QString cellProblem(int row, int column) const;

    void setCellValue(int row, int column, const QVariant& value);
    // A list of row lists fills range row by row (cells the list does not reach are emptied);
    // a flat list is one row repeated on every row of range; any other value fills every cell.
    void setValue(const RangeRef& range, const QVariant& value);
    // Writes rows (a list of row lists) in one piece into the block whose top left cell is
    // topLeft (x the row, y the column), rows.size() rows high and columnCount columns wide,
    // and sets nextRow to the first row below the block. Without a current sheet nothing is
    // written and nextRow is left alone.
    void writeBlock(const QPoint& topLeft, const QVariantList& rows, int columnCount, int& nextRow);
    // Sets a named property when name and value are both non-empty: "NumberFormat" "@" (text)
    // or "General" on a range, applied to whole columns when the range spans them; "Value" on
    // a range; "Name" on a sheet. Other properties and formats are ignored.
    void setProperty(const RangeRef& object, const QString& name, const QVariant& value);
    void setProperty(const SheetRef& object, const QString& name, const QVariant& value);

private:
    void openExisting(const QString& filePath);
    void startBlank();
    Worksheet* currentSheet();
    const Worksheet* currentSheet() const;
    // The sheet range lies on, when that sheet still exists.
    Worksheet* sheetOf(const RangeRef& range);
    const Worksheet* sheetOf(const RangeRef& range) const;

    std::optional<Workbook> m_workbook;
    quint64 m_currentSheetId = 0;
    QString m_errorString;
};

} // namespace ut

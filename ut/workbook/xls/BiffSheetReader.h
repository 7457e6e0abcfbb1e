#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>

#include "ut/workbook/xls/BiffGlobals.h"

namespace ut {

class BiffRecord;
class BiffRecordStream;
class Worksheet;

// Reads the cells of one worksheet substream of a BIFF8 workbook stream: numbers (NUMBER, RK,
// MULRK), texts (LABEL, LABELSST), booleans (BOOLERR), formulas by their last computed value
// (a number, a boolean, or a text from the STRING record after the formula), and blank cells,
// which stay empty, as do error values. The sheet's own idea of its extent (DIMENSIONS) is not
// used: every cell record counts, wherever it lies.
//
// Cell records come in row order and, within a row, in column order in every workbook a
// spreadsheet application writes, after the sheet's settings and before its window settings;
// records out of that order, outside the sheet's 256 columns, pointing outside the table of
// texts or lacking fields refuse the workbook.
class BiffSheetReader
{
public:
    // stream, strings and dateFormats (BiffGlobals::dateFormats) must outlive the reader.
    BiffSheetReader(const QByteArray& stream, const QVector<QString>& strings, const QVector<bool>& dateFormats);

    void read(const BiffGlobals::Sheet& entry, Worksheet& sheet);

private:
    // Handles one record of the sheet's own level (not of an embedded chart).
    void readRecord(const BiffRecord& record, BiffRecordStream& records, Worksheet& sheet);
    // Checks the position of a cell record (0-based row and column) against the sheet's
    // extent and the order of the records before it.
    void place(int row, int column);
    // Checks that a record that belongs before the cells, or that ends them, is where it belongs.
    void checkPlace(const BiffRecord& record);
    void setCell(Worksheet& sheet, int row, int column, const QVariant& value);
    // A number cell of cell format xf: its value, or an unreadable cell when it shows a date.
    void setNumber(Worksheet& sheet, int row, int column, double value, int xf);
    QString cellName(int row, int column) const;

    const QByteArray& m_stream;
    const QVector<QString>& m_strings;
    const QVector<bool>& m_dateFormats;
    QString m_sheetName;
    // Key of the last cell record, row * 256 + column (0-based), -1 before the first.
    qint64 m_lastKey = -1;
    // Whether the records that follow the cells (window settings, pivot tables) have begun.
    bool m_cellsEnded = false;
    // The cell of a formula whose text result is still to come, -1 when none is expected.
    int m_pendingRow = -1;
    int m_pendingColumn = -1;
};

} // namespace ut

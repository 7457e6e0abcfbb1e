#pragma once

#include <QSet>
#include <QString>
#include <QVariant>
#include <QVector>

namespace ut {

// One sheet of an in-memory workbook: a name and a grid of cell values addressed by 1-based
// row and column, limited to the extent of an Excel 97-2003 sheet. A cell holds text
// (QString), a number (double) or a boolean; an invalid QVariant is an empty cell.
class Worksheet
{
public:
    static constexpr int maxRows = 65536;
    static constexpr int maxColumns = 256;

    explicit Worksheet(const QString& name = QString());

    // Unique within the process, so that a handle never mistakes a sheet of one workbook for
    // a sheet of another.
    quint64 id() const { return m_id; }

    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }

    static bool contains(int row, int column);

    QVariant cell(int row, int column) const;
    bool isEmptyCell(int row, int column) const;
    // Stores value in the cell's canonical form (see normalized); outside the sheet it is ignored.
    void setCell(int row, int column, const QVariant& value);

    // The last row holding a value, 0 for an empty sheet.
    int lastRow() const { return m_rows.size(); }
    // The last column holding a value in any row, 0 for an empty sheet.
    int lastColumn() const;
    // The last column holding a value in row, 0 for an empty row.
    int lastColumn(int row) const;

    // Text number format ("@"), by whole column or by single cell.
    void setColumnTextFormat(int column, bool text);
    void setCellTextFormat(int row, int column, bool text);
    bool hasColumnTextFormat(int column) const { return m_textColumns.contains(column); }
    bool hasTextFormat(int row, int column) const;
    QVector<int> textFormatColumns() const;

    // Numbers of any arithmetic type become doubles, booleans stay booleans, everything else
    // becomes its text; an empty or null text is an empty cell.
    static QVariant normalized(const QVariant& value);

private:
    static quint32 cellKey(int row, int column);

    quint64 m_id;
    QString m_name;
    // m_rows[r - 1][c - 1]; no row ends in empty cells and the list ends in a non-empty row,
    // so the extent of the sheet is the size of the containers.
    QVector<QVector<QVariant>> m_rows;
    QSet<int> m_textColumns;
    QSet<quint32> m_textCells;
};

} // namespace ut

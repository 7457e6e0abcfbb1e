#pragma once

#include <algorithm>
#include <array>
#include <map>
#include <utility>

#include <QHash>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVector>

namespace ut {

// One sheet of an in-memory workbook: a name and a grid of cell values addressed by 1-based
// row and column, limited to the extent of an Excel 97-2003 sheet. A cell holds text
// (QString), a number (double) or a boolean; an invalid QVariant is an empty cell.
//
// Only the cells that hold a value are stored, so a sheet takes memory in proportion to its
// cells, wherever they lie: every workbook reader fills this one store, whatever the format.
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

    // A cell whose file holds something the program cannot take as a value: an error value
    // (#DIV/0!), a formula result of a kind its reader does not pass on, a malformed number.
    // It reads as empty; what it holds is kept so that a reader that needs a value there can name
    // the cell instead of taking it for empty. Cells nobody reads never cause a refusal.
    void setUnreadable(int row, int column, const QString& what);
    // What an unreadable cell holds, empty for any other cell.
    QString unreadable(int row, int column) const;

    // The number of cells that hold a value.
    int cellCount() const { return int(m_cells.size()); }
    // Calls visit(row, column, value) for every cell that holds a value, row by row and left
    // to right within a row.
    template <typename Visitor>
    void forEachCell(Visitor visit) const
    {
        for (const auto& [key, value] : m_cells)
            visit(rowOf(key), columnOf(key), value);
    }

    // The first cell, top down and left to right, within rows [top, bottom] and columns
    // [left, right] for which matches(value) holds; {0, 0} when there is none. Visits only the
    // cells that hold a value.
    template <typename Predicate>
    std::pair<int, int> findCell(int top, int left, int bottom, int right, Predicate matches) const
    {
        for (auto it = m_cells.lower_bound(cellKey(std::max(top, 1), 1)); it != m_cells.end(); ++it) {
            const int row = rowOf(it->first);
            if (row > bottom)
                break;
            const int column = columnOf(it->first);
            if (column >= left && column <= right && matches(it->second))
                return {row, column};
        }
        return {0, 0};
    }

    // The last row holding a value, 0 for an empty sheet.
    int lastRow() const;
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
    // Keys order the cells row by row, then by column.
    static quint32 cellKey(int row, int column);
    static int rowOf(quint32 key) { return int(key >> 8) + 1; }
    static int columnOf(quint32 key) { return int(key & 0xFF) + 1; }

    quint64 m_id;
    QString m_name;
    std::map<quint32, QVariant> m_cells;
    // How many stored cells each column holds, so that the last used column is found without
    // visiting the cells.
    std::array<int, maxColumns> m_columnCounts{};
    QHash<quint32, QString> m_unreadable;
    QSet<int> m_textColumns;
    QSet<quint32> m_textCells;
};

} // namespace ut

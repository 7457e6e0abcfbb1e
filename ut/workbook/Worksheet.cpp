#include "ut/workbook/Worksheet.h"

#include <algorithm>
#include <atomic>

namespace ut {

namespace {

quint64 nextSheetId()
{
    static std::atomic<quint64> counter{0};
    return ++counter;
}

} // namespace

Worksheet::Worksheet(const QString& name)
    : m_id(nextSheetId())
    , m_name(name)
{
}

bool Worksheet::contains(int row, int column)
{
    return row >= 1 && row <= maxRows && column >= 1 && column <= maxColumns;
}

QVariant Worksheet::cell(int row, int column) const
{
    if (!contains(row, column))
        return {};
    const auto found = m_cells.find(cellKey(row, column));
    return found == m_cells.end() ? QVariant() : found->second;
}

bool Worksheet::isEmptyCell(int row, int column) const
{
    return !contains(row, column) || m_cells.find(cellKey(row, column)) == m_cells.end();
}

void Worksheet::setCell(int row, int column, const QVariant& value)
{
    if (!contains(row, column))
        return;
    const quint32 key = cellKey(row, column);
    if (!m_unreadable.isEmpty())
        m_unreadable.remove(key);
    const QVariant stored = normalized(value);
    if (!stored.isValid()) {
        if (m_cells.erase(key) > 0)
            --m_columnCounts[std::size_t(column - 1)];
        return;
    }
    // Readers fill a sheet row by row, left to right: such a cell goes at the end directly.
    if (m_cells.empty() || m_cells.crbegin()->first < key) {
        m_cells.emplace_hint(m_cells.end(), key, stored);
        ++m_columnCounts[std::size_t(column - 1)];
        return;
    }
    const auto [position, inserted] = m_cells.insert_or_assign(key, stored);
    Q_UNUSED(position)
    if (inserted)
        ++m_columnCounts[std::size_t(column - 1)];
}

void Worksheet::setUnreadable(int row, int column, const QString& what)
{
    if (!contains(row, column))
        return;
    setCell(row, column, QVariant());
    m_unreadable.insert(cellKey(row, column), what);
}

QString Worksheet::unreadable(int row, int column) const
{
    return contains(row, column) ? m_unreadable.value(cellKey(row, column)) : QString();
}

int Worksheet::lastRow() const
{
    return m_cells.empty() ? 0 : rowOf(m_cells.crbegin()->first);
}

int Worksheet::lastColumn() const
{
    for (int column = maxColumns; column >= 1; --column) {
        if (m_columnCounts[std::size_t(column - 1)] > 0)
            return column;
    }
    return 0;
}

int Worksheet::lastColumn(int row) const
{
    if (row < 1 || row > maxRows)
        return 0;
    // The first key past the row, then one step back: the row's rightmost cell, if any.
    auto next = row == maxRows ? m_cells.end() : m_cells.lower_bound(cellKey(row + 1, 1));
    if (next == m_cells.begin())
        return 0;
    --next;
    return rowOf(next->first) == row ? columnOf(next->first) : 0;
}

void Worksheet::setColumnTextFormat(int column, bool text)
{
    if (column < 1 || column > maxColumns)
        return;
    if (text)
        m_textColumns.insert(column);
    else
        m_textColumns.remove(column);
}

void Worksheet::setCellTextFormat(int row, int column, bool text)
{
    if (!contains(row, column))
        return;
    if (text)
        m_textCells.insert(cellKey(row, column));
    else
        m_textCells.remove(cellKey(row, column));
}

bool Worksheet::hasTextFormat(int row, int column) const
{
    return m_textColumns.contains(column) || m_textCells.contains(cellKey(row, column));
}

QVector<int> Worksheet::textFormatColumns() const
{
    QVector<int> columns(m_textColumns.cbegin(), m_textColumns.cend());
    std::sort(columns.begin(), columns.end());
    return columns;
}

QVariant Worksheet::normalized(const QVariant& value)
{
    switch (static_cast<QMetaType::Type>(value.userType())) {
    case QMetaType::UnknownType:
        return {};
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return value.toDouble();
    default:
        break;
    }
    const QString text = value.toString();
    return text.isEmpty() ? QVariant() : QVariant(text);
}

quint32 Worksheet::cellKey(int row, int column)
{
    return (quint32(row - 1) << 8) | quint32(column - 1);
}

} // namespace ut

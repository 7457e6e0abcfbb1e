#include "ut/Worksheet.h"

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
    if (row < 1 || row > m_rows.size() || column < 1)
        return {};
    const QVector<QVariant>& cells = m_rows.at(row - 1);
    return column <= cells.size() ? cells.at(column - 1) : QVariant();
}

bool Worksheet::isEmptyCell(int row, int column) const
{
    return !cell(row, column).isValid();
}

void Worksheet::setCell(int row, int column, const QVariant& value)
{
    if (!contains(row, column))
        return;
    const QVariant stored = normalized(value);
    if (!stored.isValid()) {
        if (row > m_rows.size())
            return;
        QVector<QVariant>& cells = m_rows[row - 1];
        if (column > cells.size())
            return;
        cells[column - 1] = QVariant();
        while (!cells.isEmpty() && !cells.constLast().isValid())
            cells.removeLast();
        while (!m_rows.isEmpty() && m_rows.constLast().isEmpty())
            m_rows.removeLast();
        return;
    }
    if (row > m_rows.size())
        m_rows.resize(row);
    QVector<QVariant>& cells = m_rows[row - 1];
    if (column > cells.size())
        cells.resize(column);
    cells[column - 1] = stored;
}

int Worksheet::lastColumn() const
{
    int last = 0;
    for (const QVector<QVariant>& cells : m_rows)
        last = std::max(last, int(cells.size()));
    return last;
}

int Worksheet::lastColumn(int row) const
{
    return row >= 1 && row <= m_rows.size() ? m_rows.at(row - 1).size() : 0;
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

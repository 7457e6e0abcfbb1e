#include "ut/workbook/orcus/OrcusSheet.h"

#include <algorithm>

#include <QDate>

#include "ut/workbook/orcus/OrcusArrayFormula.h"
#include "ut/workbook/orcus/OrcusFormula.h"
#include "ut/workbook/orcus/OrcusSharedStrings.h"
#include "ut/workbook/RangeAddress.h"

namespace ut {

namespace {

QString cellName(int row, int column)
{
    return RangeAddress::columnLetters(column + 1) + QString::number(qint64(row) + 1);
}

} // namespace

OrcusSheet::OrcusSheet(const QString& name)
    : m_sheet(name)
    , m_formula(std::make_unique<OrcusFormula>(*this))
    , m_arrayFormula(std::make_unique<OrcusArrayFormula>(*this))
{
}

OrcusSheet::~OrcusSheet() = default;

void OrcusSheet::noteProblem(const QString& problem)
{
    if (m_problem.isEmpty())
        m_problem = problem;
}

bool OrcusSheet::accept(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col)
{
    if (row >= 0 && col >= 0 && row < Worksheet::maxRows && col < Worksheet::maxColumns)
        return true;
    noteProblem(QStringLiteral("sheet \"%1\" holds a value in cell %2, outside the 65536 rows and 256 columns "
                               "(A1 to IV65536) that the program reads")
                    .arg(m_sheet.name(), row >= 0 && col >= 0 ? cellName(row, col) : QStringLiteral("?")));
    return false;
}

void OrcusSheet::store(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, const QVariant& value)
{
    if (!accept(row, col))
        return;
    m_textCells.erase({row + 1, col + 1});
    m_sheet.setCell(row + 1, col + 1, value);
}

void OrcusSheet::setResult(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, const QVariant& value)
{
    store(row, col, value);
}

void OrcusSheet::setMissingResult(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col)
{
    if (!accept(row, col))
        return;
    m_textCells.erase({row + 1, col + 1});
    m_sheet.setUnreadable(row + 1, col + 1,
                          QStringLiteral("a formula without a value the program can read (its result is an error "
                                         "or a logical value or a date, or a text in an .ods file, or it was never "
                                         "computed)"));
}

orcus::spreadsheet::iface::import_formula* OrcusSheet::get_formula()
{
    m_formula->reset();
    return m_formula.get();
}

orcus::spreadsheet::iface::import_array_formula* OrcusSheet::get_array_formula()
{
    return m_arrayFormula.get();
}

void OrcusSheet::set_auto(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, std::string_view s)
{
    const QString text = QString::fromUtf8(s.data(), int(s.size()));
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    store(row, col, isNumber ? QVariant(number) : QVariant(text));
}

void OrcusSheet::set_string(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col,
                            orcus::spreadsheet::string_id_t sindex)
{
    if (!accept(row, col))
        return;
    m_sheet.setCell(row + 1, col + 1, QVariant());
    m_textCells[{row + 1, col + 1}] = sindex;
}

void OrcusSheet::set_value(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, double value)
{
    store(row, col, value);
}

void OrcusSheet::set_bool(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, bool value)
{
    store(row, col, value);
}

void OrcusSheet::set_date_time(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, int year, int month,
                               int day, int hour, int minute, double second)
{
    // As a spreadsheet keeps it: days since 30 December 1899, the time of day as a fraction.
    const QDate date(year, month, day);
    const qint64 days = date.isValid() ? QDate(1899, 12, 30).daysTo(date) : 0;
    store(row, col, double(days) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0);
}

void OrcusSheet::fill_down_cells(orcus::spreadsheet::row_t src_row, orcus::spreadsheet::col_t src_col,
                                 orcus::spreadsheet::row_t range_size)
{
    if (!accept(src_row, src_col) || range_size <= 0)
        return;
    const auto text = m_textCells.find({src_row + 1, src_col + 1});
    const QVariant value = m_sheet.cell(src_row + 1, src_col + 1);
    if (text == m_textCells.end() && !value.isValid())
        return;
    const qint64 last = qint64(src_row) + range_size;
    const orcus::spreadsheet::row_t end = orcus::spreadsheet::row_t(std::min<qint64>(last, Worksheet::maxRows));
    for (orcus::spreadsheet::row_t row = src_row + 1; row <= end && row < Worksheet::maxRows; ++row) {
        if (text != m_textCells.end())
            m_textCells[{row + 1, src_col + 1}] = text->second;
        else
            m_sheet.setCell(row + 1, src_col + 1, value);
    }
    if (last >= Worksheet::maxRows)
        accept(orcus::spreadsheet::row_t(std::min<qint64>(last, 0x7FFFFFFF)), src_col);
}

orcus::spreadsheet::range_size_t OrcusSheet::get_sheet_size() const
{
    // The largest sheet of the formats read, so that the reader never cuts a sheet short for
    // us: cells beyond the program's own limits are refused, not dropped.
    return {1048576, 16384};
}

Worksheet OrcusSheet::take(const OrcusSharedStrings& strings)
{
    for (const auto& [cell, index] : m_textCells) {
        QString text;
        if (!strings.find(index, text)) {
            noteProblem(QStringLiteral("sheet \"%1\": cell %2 refers to a text the workbook does not hold")
                            .arg(m_sheet.name(), cellName(cell.first - 1, cell.second - 1)));
            continue;
        }
        m_sheet.setCell(cell.first, cell.second, text);
    }
    m_textCells.clear();
    return std::move(m_sheet);
}

} // namespace ut

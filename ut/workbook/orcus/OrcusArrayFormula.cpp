#include "ut/workbook/orcus/OrcusArrayFormula.h"

#include <QString>
#include <QVariant>

#include "ut/workbook/orcus/OrcusSheet.h"

namespace ut {

OrcusArrayFormula::OrcusArrayFormula(OrcusSheet& sheet)
    : m_sheet(sheet)
{
}

void OrcusArrayFormula::set_result_string(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col,
                                          std::string_view value)
{
    m_sheet.setResult(row, col, QString::fromUtf8(value.data(), int(value.size())));
}

void OrcusArrayFormula::set_result_value(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, double value)
{
    m_sheet.setResult(row, col, value);
}

void OrcusArrayFormula::set_result_bool(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, bool value)
{
    m_sheet.setResult(row, col, value);
}

void OrcusArrayFormula::set_result_empty(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col)
{
    m_sheet.setResult(row, col, QVariant());
}

} // namespace ut

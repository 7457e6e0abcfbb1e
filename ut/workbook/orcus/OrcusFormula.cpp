#include "ut/workbook/orcus/OrcusFormula.h"

#include <QString>

#include "ut/workbook/orcus/OrcusSheet.h"

namespace ut {

OrcusFormula::OrcusFormula(OrcusSheet& sheet)
    : m_sheet(sheet)
{
}

void OrcusFormula::reset()
{
    m_row = 0;
    m_col = 0;
    m_result = QVariant();
    m_hasResult = false;
}

void OrcusFormula::set_position(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col)
{
    m_row = row;
    m_col = col;
}

void OrcusFormula::set_result_string(std::string_view value)
{
    m_result = QString::fromUtf8(value.data(), int(value.size()));
    m_hasResult = true;
}

void OrcusFormula::set_result_value(double value)
{
    m_result = value;
    m_hasResult = true;
}

void OrcusFormula::set_result_bool(bool value)
{
    m_result = value;
    m_hasResult = true;
}

void OrcusFormula::set_result_empty()
{
    m_result = QVariant();
    m_hasResult = true;
}

void OrcusFormula::commit()
{
    if (m_hasResult)
        m_sheet.setResult(m_row, m_col, m_result);
    else
        m_sheet.setMissingResult(m_row, m_col);
}

} // namespace ut

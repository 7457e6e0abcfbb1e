#pragma once

#include <string_view>

#include <orcus/spreadsheet/import_interface.hpp>

#include <QVariant>

namespace ut {

class OrcusSheet;

// Receives one formula cell at a time from liborcus and hands its last computed value to the
// sheet when the cell is committed; the formula text itself is not kept.
class OrcusFormula : public orcus::spreadsheet::iface::import_formula
{
public:
    explicit OrcusFormula(OrcusSheet& sheet);

    // Forgets the previous cell; called before the interface is handed out for the next one.
    void reset();

    void set_position(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col) override;
    void set_formula(orcus::spreadsheet::formula_grammar_t, std::string_view) override { }
    void set_shared_formula_index(std::size_t) override { }
    void set_result_string(std::string_view value) override;
    void set_result_value(double value) override;
    void set_result_bool(bool value) override;
    void set_result_empty() override;
    void commit() override;

private:
    OrcusSheet& m_sheet;
    orcus::spreadsheet::row_t m_row = 0;
    orcus::spreadsheet::col_t m_col = 0;
    QVariant m_result;
    bool m_hasResult = false;
};

} // namespace ut

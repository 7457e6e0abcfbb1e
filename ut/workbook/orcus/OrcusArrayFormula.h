#pragma once

#include <string_view>

#include <orcus/spreadsheet/import_interface.hpp>

namespace ut {

class OrcusSheet;

// Receives an array formula from liborcus: the computed values of the cells it spans go to the
// sheet as they arrive; the formula text is not kept.
class OrcusArrayFormula : public orcus::spreadsheet::iface::import_array_formula
{
public:
    explicit OrcusArrayFormula(OrcusSheet& sheet);

    void set_range(const orcus::spreadsheet::range_t&) override { }
    void set_formula(orcus::spreadsheet::formula_grammar_t, std::string_view) override { }
    void set_result_string(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col,
                           std::string_view value) override;
    void set_result_value(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, double value) override;
    void set_result_bool(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, bool value) override;
    void set_result_empty(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col) override;
    void commit() override { }

private:
    OrcusSheet& m_sheet;
};

} // namespace ut

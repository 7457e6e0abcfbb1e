#pragma once

#include <orcus/spreadsheet/import_interface.hpp>

namespace ut {

// The document-wide settings liborcus reports while it reads an .ods or .xlsx file. None of
// them changes a cell value the program reads: dates come as their day count from 30 December
// 1899 whatever the document's own origin, and formulas are kept by their computed values only.
// The reader of .ods files needs somewhere to put them, and asks back for the formula grammar.
class OrcusGlobalSettings : public orcus::spreadsheet::iface::import_global_settings
{
public:
    void set_origin_date(int, int, int) override { }
    void set_default_formula_grammar(orcus::spreadsheet::formula_grammar_t grammar) override { m_grammar = grammar; }
    orcus::spreadsheet::formula_grammar_t get_default_formula_grammar() const override { return m_grammar; }
    void set_character_set(orcus::character_set_t) override { }

private:
    orcus::spreadsheet::formula_grammar_t m_grammar = orcus::spreadsheet::formula_grammar_t::unknown;
};

} // namespace ut

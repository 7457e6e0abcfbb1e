#pragma once

#include <cstddef>
#include <string_view>

#include <orcus/spreadsheet/import_interface.hpp>

namespace ut {

// Takes the cell formatting liborcus reads and keeps none of it: the program reads values
// only. The readers still need somewhere to put fonts, fills, borders and cell formats (the
// .ods reader does not cope without), and each commit hands back the next index of its kind.
class OrcusStyles : public orcus::spreadsheet::iface::import_styles
{
    using color = orcus::spreadsheet::color_elem_t;

public:
    void set_font_count(std::size_t) override { }
    void set_font_bold(bool) override { }
    void set_font_italic(bool) override { }
    void set_font_name(std::string_view) override { }
    void set_font_size(double) override { }
    void set_font_underline(orcus::spreadsheet::underline_t) override { }
    void set_font_underline_width(orcus::spreadsheet::underline_width_t) override { }
    void set_font_underline_mode(orcus::spreadsheet::underline_mode_t) override { }
    void set_font_underline_type(orcus::spreadsheet::underline_type_t) override { }
    void set_font_underline_color(color, color, color, color) override { }
    void set_font_color(color, color, color, color) override { }
    void set_strikethrough_style(orcus::spreadsheet::strikethrough_style_t) override { }
    void set_strikethrough_type(orcus::spreadsheet::strikethrough_type_t) override { }
    void set_strikethrough_width(orcus::spreadsheet::strikethrough_width_t) override { }
    void set_strikethrough_text(orcus::spreadsheet::strikethrough_text_t) override { }
    std::size_t commit_font() override { return m_fonts++; }

    void set_fill_count(std::size_t) override { }
    void set_fill_pattern_type(orcus::spreadsheet::fill_pattern_t) override { }
    void set_fill_fg_color(color, color, color, color) override { }
    void set_fill_bg_color(color, color, color, color) override { }
    std::size_t commit_fill() override { return m_fills++; }

    void set_border_count(std::size_t) override { }
    void set_border_style(orcus::spreadsheet::border_direction_t, orcus::spreadsheet::border_style_t) override { }
    void set_border_color(orcus::spreadsheet::border_direction_t, color, color, color, color) override { }
    void set_border_width(orcus::spreadsheet::border_direction_t, double, orcus::length_unit_t) override { }
    std::size_t commit_border() override { return m_borders++; }

    void set_cell_hidden(bool) override { }
    void set_cell_locked(bool) override { }
    void set_cell_print_content(bool) override { }
    void set_cell_formula_hidden(bool) override { }
    std::size_t commit_cell_protection() override { return m_protections++; }

    void set_number_format_count(std::size_t) override { }
    void set_number_format_identifier(std::size_t) override { }
    void set_number_format_code(std::string_view) override { }
    std::size_t commit_number_format() override { return m_numberFormats++; }

    void set_cell_xf_count(std::size_t) override { }
    void set_cell_style_xf_count(std::size_t) override { }
    void set_dxf_count(std::size_t) override { }
    void set_xf_font(std::size_t) override { }
    void set_xf_fill(std::size_t) override { }
    void set_xf_border(std::size_t) override { }
    void set_xf_protection(std::size_t) override { }
    void set_xf_number_format(std::size_t) override { }
    void set_xf_style_xf(std::size_t) override { }
    void set_xf_apply_alignment(bool) override { }
    void set_xf_horizontal_alignment(orcus::spreadsheet::hor_alignment_t) override { }
    void set_xf_vertical_alignment(orcus::spreadsheet::ver_alignment_t) override { }
    std::size_t commit_cell_xf() override { return m_cellFormats++; }
    std::size_t commit_cell_style_xf() override { return m_styleFormats++; }
    std::size_t commit_dxf() override { return m_differentialFormats++; }

    void set_cell_style_count(std::size_t) override { }
    void set_cell_style_name(std::string_view) override { }
    void set_cell_style_xf(std::size_t) override { }
    void set_cell_style_builtin(std::size_t) override { }
    void set_cell_style_parent_name(std::string_view) override { }
    std::size_t commit_cell_style() override { return m_cellStyles++; }

private:
    std::size_t m_fonts = 0;
    std::size_t m_fills = 0;
    std::size_t m_borders = 0;
    std::size_t m_protections = 0;
    std::size_t m_numberFormats = 0;
    std::size_t m_cellFormats = 0;
    std::size_t m_styleFormats = 0;
    std::size_t m_differentialFormats = 0;
    std::size_t m_cellStyles = 0;
};

} // namespace ut

#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <orcus/spreadsheet/import_interface.hpp>

#include <QString>

namespace ut {

// The table of texts that liborcus fills while it reads an .xlsx or .ods file, and to which
// its text cells refer by index. Formatted texts arrive in segments and are kept as their
// plain text.
class OrcusSharedStrings : public orcus::spreadsheet::iface::import_shared_strings
{
public:
    // The text with that index; false when there is none.
    bool find(std::size_t index, QString& text) const;

    std::size_t append(std::string_view s) override;
    std::size_t add(std::string_view s) override;
    void set_segment_font(std::size_t) override { }
    void set_segment_bold(bool) override { }
    void set_segment_italic(bool) override { }
    void set_segment_font_name(std::string_view) override { }
    void set_segment_font_size(double) override { }
    void set_segment_font_color(orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t,
                                orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t) override
    {
    }
    void append_segment(std::string_view s) override;
    std::size_t commit_segments() override;

private:
    std::vector<QString> m_strings;
    std::string m_segments;
};

} // namespace ut

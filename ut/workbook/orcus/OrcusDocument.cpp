#include "ut/workbook/orcus/OrcusDocument.h"

#include "ut/workbook/orcus/OrcusSheet.h"

namespace ut {

OrcusDocument::OrcusDocument() = default;

OrcusDocument::~OrcusDocument() = default;

orcus::spreadsheet::iface::import_global_settings* OrcusDocument::get_global_settings()
{
    return &m_settings;
}

orcus::spreadsheet::iface::import_shared_strings* OrcusDocument::get_shared_strings()
{
    return &m_strings;
}

orcus::spreadsheet::iface::import_styles* OrcusDocument::get_styles()
{
    return &m_styles;
}

orcus::spreadsheet::iface::import_reference_resolver*
OrcusDocument::get_reference_resolver(orcus::spreadsheet::formula_ref_context_t)
{
    return &m_resolver;
}

orcus::spreadsheet::iface::import_sheet* OrcusDocument::append_sheet(orcus::spreadsheet::sheet_t sheet_index,
                                                                     std::string_view name)
{
    // Sheets are appended in order; an index out of step would mean a confused reader.
    if (sheet_index != orcus::spreadsheet::sheet_t(m_sheets.size()))
        return nullptr;
    const QString sheetName = QString::fromUtf8(name.data(), int(name.size()));
    m_sheets.push_back(std::make_unique<OrcusSheet>(sheetName));
    m_names.push_back(sheetName);
    return m_sheets.back().get();
}

orcus::spreadsheet::iface::import_sheet* OrcusDocument::get_sheet(std::string_view name)
{
    const QString wanted = QString::fromUtf8(name.data(), int(name.size()));
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        if (m_names[i] == wanted)
            return m_sheets[i].get();
    }
    return nullptr;
}

orcus::spreadsheet::iface::import_sheet* OrcusDocument::get_sheet(orcus::spreadsheet::sheet_t sheet_index)
{
    if (sheet_index < 0 || std::size_t(sheet_index) >= m_sheets.size())
        return nullptr;
    return m_sheets[std::size_t(sheet_index)].get();
}

std::optional<Workbook> OrcusDocument::takeWorkbook()
{
    Workbook workbook;
    for (const std::unique_ptr<OrcusSheet>& sheet : m_sheets) {
        Worksheet finished = sheet->take(m_strings);
        if (!sheet->problem().isEmpty()) {
            m_problem = sheet->problem();
            return std::nullopt;
        }
        workbook.appendSheet(std::move(finished));
    }
    if (workbook.sheetCount() == 0) {
        m_problem = QStringLiteral("it holds no sheet");
        return std::nullopt;
    }
    return workbook;
}

} // namespace ut

#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <orcus/spreadsheet/import_interface.hpp>

#include <QString>

#include "ut/workbook/orcus/OrcusGlobalSettings.h"
#include "ut/workbook/orcus/OrcusReferenceResolver.h"
#include "ut/workbook/orcus/OrcusSharedStrings.h"
#include "ut/workbook/orcus/OrcusStyles.h"
#include "ut/workbook/Workbook.h"

namespace ut {

class OrcusSheet;

// The document liborcus fills while it reads an .xlsx or .ods file: sheets in file order and
// the table of texts they refer to. Formatting is taken and dropped; names and pivot tables are
// not asked for.
class OrcusDocument : public orcus::spreadsheet::iface::import_factory
{
public:
    OrcusDocument();
    ~OrcusDocument() override;

    // The workbook read, or nothing with problem() set when a sheet could not be read whole.
    std::optional<Workbook> takeWorkbook();
    const QString& problem() const { return m_problem; }

    orcus::spreadsheet::iface::import_global_settings* get_global_settings() override;
    orcus::spreadsheet::iface::import_shared_strings* get_shared_strings() override;
    orcus::spreadsheet::iface::import_styles* get_styles() override;
    orcus::spreadsheet::iface::import_reference_resolver*
    get_reference_resolver(orcus::spreadsheet::formula_ref_context_t context) override;
    orcus::spreadsheet::iface::import_sheet* append_sheet(orcus::spreadsheet::sheet_t sheet_index,
                                                          std::string_view name) override;
    orcus::spreadsheet::iface::import_sheet* get_sheet(std::string_view name) override;
    orcus::spreadsheet::iface::import_sheet* get_sheet(orcus::spreadsheet::sheet_t sheet_index) override;
    void finalize() override { }

private:
    OrcusGlobalSettings m_settings;
    OrcusSharedStrings m_strings;
    OrcusStyles m_styles;
    OrcusReferenceResolver m_resolver;
    std::vector<std::unique_ptr<OrcusSheet>> m_sheets;
    std::vector<QString> m_names;
    QString m_problem;
};

} // namespace ut

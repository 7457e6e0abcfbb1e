#pragma once

#include <string_view>

#include <orcus/spreadsheet/import_interface.hpp>

namespace ut {

// Turns the A1-style cell and range addresses of an .xlsx file ("B7", "$B$7", "A1:C5", with or
// without a sheet name in front) into the 0-based positions liborcus asks for while it reads
// shared formulas and sheet extents. The sheet part is not resolved: only positions on the
// sheet being read are asked for.
class OrcusReferenceResolver : public orcus::spreadsheet::iface::import_reference_resolver
{
public:
    orcus::spreadsheet::src_address_t resolve_address(std::string_view address) override;
    orcus::spreadsheet::src_range_t resolve_range(std::string_view range) override;
};

} // namespace ut

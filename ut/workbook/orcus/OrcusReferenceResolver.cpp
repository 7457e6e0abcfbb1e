#include <orcus/exception.hpp>

#include "ut/workbook/orcus/OrcusReferenceResolver.h"

#include <string>

namespace ut {

namespace {

// The part after the last sheet separator ('!' in .xlsx, '.' in .ods), without "$" markers.
std::string cellPart(std::string_view address)
{
    const std::size_t separator = address.find_last_of("!.");
    if (separator != std::string_view::npos)
        address.remove_prefix(separator + 1);
    std::string cell;
    for (const char c : address) {
        if (c != '$')
            cell.push_back(c);
    }
    return cell;
}

} // namespace

orcus::spreadsheet::src_address_t OrcusReferenceResolver::resolve_address(std::string_view address)
{
    const std::string cell = cellPart(address);
    std::size_t i = 0;
    long column = 0;
    for (; i < cell.size() && ((cell[i] >= 'A' && cell[i] <= 'Z') || (cell[i] >= 'a' && cell[i] <= 'z')); ++i) {
        column = column * 26 + ((cell[i] | 0x20) - 'a' + 1);
        if (column > 16384)
            break;
    }
    long row = 0;
    const std::size_t digits = i;
    for (; i < cell.size() && cell[i] >= '0' && cell[i] <= '9'; ++i) {
        row = row * 10 + (cell[i] - '0');
        if (row > 1048576)
            break;
    }
    if (column < 1 || column > 16384 || row < 1 || row > 1048576 || digits == 0 || i != cell.size())
        throw orcus::invalid_arg_error("not a cell address: " + std::string(address));
    return {0, orcus::spreadsheet::row_t(row - 1), orcus::spreadsheet::col_t(column - 1)};
}

orcus::spreadsheet::src_range_t OrcusReferenceResolver::resolve_range(std::string_view range)
{
    const std::size_t colon = range.find(':');
    if (colon == std::string_view::npos) {
        const orcus::spreadsheet::src_address_t cell = resolve_address(range);
        return {cell, cell};
    }
    return {resolve_address(range.substr(0, colon)), resolve_address(range.substr(colon + 1))};
}

} // namespace ut

#include "ut/workbook/RangeRef.h"

#include <utility>

namespace ut {

RangeRef::RangeRef(quint64 sheetId, int top, int left, int bottom, int right)
    : m_sheetId(sheetId)
    , m_top(top)
    , m_left(left)
    , m_bottom(bottom)
    , m_right(right)
{
    // Corners may come in any order, as with a spreadsheet's Range(cell1, cell2).
    if (m_top > m_bottom)
        std::swap(m_top, m_bottom);
    if (m_left > m_right)
        std::swap(m_left, m_right);
}

bool RangeRef::operator==(const RangeRef& other) const
{
    if (!isValid() || !other.isValid())
        return isValid() == other.isValid();
    return m_sheetId == other.m_sheetId && m_top == other.m_top && m_left == other.m_left && m_bottom == other.m_bottom
        && m_right == other.m_right;
}

} // namespace ut

#pragma once

#include <QtGlobal>

namespace ut {

// A rectangular block of cells on one sheet of the workbook held by ut::Excel, in 1-based rows
// and columns. A plain value that names cells without owning them; a default-constructed
// handle stands for "no range" (a failed find, a missing sheet), so callers never see null.
class RangeRef
{
public:
    RangeRef() = default;
    RangeRef(quint64 sheetId, int top, int left, int bottom, int right);

    bool isValid() const { return m_sheetId != 0; }
    quint64 sheetId() const { return m_sheetId; }

    int top() const { return m_top; }
    int left() const { return m_left; }
    int bottom() const { return m_bottom; }
    int right() const { return m_right; }
    int rowCount() const { return isValid() ? m_bottom - m_top + 1 : 0; }
    int columnCount() const { return isValid() ? m_right - m_left + 1 : 0; }
    bool isSingleCell() const { return isValid() && m_top == m_bottom && m_left == m_right; }

    bool operator==(const RangeRef& other) const;
    bool operator!=(const RangeRef& other) const { return !(*this == other); }

private:
    quint64 m_sheetId = 0;
    int m_top = 0;
    int m_left = 0;
    int m_bottom = 0;
    int m_right = 0;
};

} // namespace ut

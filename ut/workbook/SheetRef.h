#pragma once

#include <QtGlobal>

namespace ut {

// Names one sheet of the workbook held by ut::Excel. A plain value; a default-constructed
// handle stands for "no sheet". Stays attached to its sheet when other sheets are added,
// deleted or renamed, and becomes stale (operations ignore it) once its sheet is deleted.
class SheetRef
{
public:
    SheetRef() = default;
    explicit SheetRef(quint64 sheetId)
        : m_sheetId(sheetId)
    {
    }

    bool isValid() const { return m_sheetId != 0; }
    quint64 sheetId() const { return m_sheetId; }

    bool operator==(const SheetRef& other) const { return m_sheetId == other.m_sheetId; }
    bool operator!=(const SheetRef& other) const { return m_sheetId != other.m_sheetId; }

private:
    quint64 m_sheetId = 0;
};

} // namespace ut

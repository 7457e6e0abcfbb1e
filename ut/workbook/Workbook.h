#pragma once

#include <vector>

#include <QString>

#include "ut/workbook/Worksheet.h"

namespace ut {

// An in-memory workbook: an ordered list of worksheets (positions 0-based) with the naming
// rules of Excel 97-2003, filled by the readers behind ut::WorkbookReader and saved by
// ut::XlsWriter.
class Workbook
{
public:
    static constexpr int maxSheetNameLength = 31;

    // A workbook without sheets; see blank() for the one a spreadsheet starts with.
    Workbook() = default;
    // Three empty sheets named Sheet1, Sheet2 and Sheet3.
    static Workbook blank();

    int sheetCount() const { return int(m_sheets.size()); }
    const Worksheet& sheet(int position) const { return m_sheets.at(std::size_t(position)); }
    Worksheet& sheet(int position) { return m_sheets.at(std::size_t(position)); }
    const std::vector<Worksheet>& sheets() const { return m_sheets; }

    // Position of the sheet with that id, or -1.
    int positionOf(quint64 sheetId) const;
    Worksheet* findSheet(quint64 sheetId);
    const Worksheet* findSheet(quint64 sheetId) const;

    // Appends a sheet; the name is taken as given (check it with sheetNameError first).
    Worksheet& appendSheet(const QString& name);
    // Appends a sheet filled elsewhere, as a reader does.
    Worksheet& appendSheet(Worksheet&& sheet);
    void removeSheet(int position);

    // Why name cannot be given to the sheet with id renamedSheetId (0 for a new sheet):
    // empty or longer than 31 characters, a character Excel forbids, a leading or trailing
    // apostrophe, or the name of another sheet in any letter case. Empty when acceptable.
    QString sheetNameError(const QString& name, quint64 renamedSheetId = 0) const;
    // The first of Sheet1, Sheet2, ... that no sheet carries.
    QString nextDefaultSheetName() const;

private:
    std::vector<Worksheet> m_sheets;
};

} // namespace ut

#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

#include "ut/workbook/Workbook.h"

namespace ut {

// Reads an Excel workbook (.xlsx) or an OpenDocument spreadsheet (.ods) from the bytes of its
// file through liborcus, LibreOffice's import library, into the same in-memory workbook as the
// program's own .xls reader: every sheet in file order, numbers as doubles, texts as QString,
// booleans as bool, formula cells by their last computed value.
class OrcusWorkbookReader
{
public:
    // The workbook, or nothing when the file is damaged, of neither format, or holds cells the
    // program cannot take whole; errorString() then says which, without naming the file.
    std::optional<Workbook> read(const QByteArray& file);
    QString errorString() const { return m_errorString; }

private:
    QString m_errorString;
};

} // namespace ut

#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

#include "ut/workbook/Workbook.h"

namespace ut {

// Reads an Excel 97-2003 workbook (.xls) from the bytes of its file: the OLE2 container, then
// the BIFF8 workbook stream in it ("Workbook", or "Book" as some writers name it). Numbers
// arrive as doubles, texts as QString, booleans as bool; formula cells give their last computed
// value. Formatting is not read.
class XlsReader
{
public:
    // The workbook, or nothing when the container or the stream is damaged or is not an Excel
    // 97-2003 workbook; errorString() then says which, without naming the file.
    std::optional<Workbook> read(const QByteArray& file);
    QString errorString() const { return m_errorString; }

private:
    QString m_errorString;
};

} // namespace ut

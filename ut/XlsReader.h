#pragma once

#include <optional>

#include <QString>

#include "ut/Workbook.h"

namespace ut {

// Reads an Excel 97-2003 workbook (.xls) into memory: every worksheet with its name and its
// cell values. Numbers arrive as doubles, text as QString; dates and times arrive as their
// ISO text. Formatting is not read.
class XlsReader
{
public:
    // The workbook, or nothing when the file is missing, unreadable, damaged or not a
    // workbook; errorString() then says which.
    std::optional<Workbook> read(const QString& filePath);
    QString errorString() const { return m_errorString; }

private:
    QString m_errorString;
};

} // namespace ut

#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

#include "ut/workbook/Workbook.h"

namespace ut {

// Reads a workbook file of any format the program takes into one in-memory workbook: Excel
// 97-2003 (.xls) with the program's own reader, Excel (.xlsx) and OpenDocument (.ods) through
// liborcus. The format is told by the file's content, not by its name, so that a workbook
// saved under another suffix is still read as what it is.
//
// A file is read whole or not at all: errorString() then names the file and what is wrong.
class WorkbookReader
{
public:
    std::optional<Workbook> read(const QString& filePath);
    // The same for a file's content already in memory; filePath only names it in errorString().
    std::optional<Workbook> parse(const QByteArray& content, const QString& filePath);

    QString errorString() const { return m_errorString; }

private:
    QString m_errorString;
};

} // namespace ut

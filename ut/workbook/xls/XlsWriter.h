#pragma once

#include <QString>

namespace ut {

class Workbook;

// Saves an in-memory workbook as an Excel 97-2003 file (.xls). The file is replaced only once
// the new content is completely written, so a failed save leaves an earlier file intact; a
// pipe or a device is written directly (see ut::OutputFile).
class XlsWriter
{
public:
    bool write(const Workbook& workbook, const QString& filePath);
    QString errorString() const { return m_errorString; }

private:
    QString m_errorString;
};

} // namespace ut

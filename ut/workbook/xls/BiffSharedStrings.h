#pragma once

#include <QString>
#include <QVector>

#include "ut/workbook/xls/records/BiffRecord.h"

namespace ut {

// The workbook's table of unique texts (the SST record and its CONTINUE records), to which
// text cells refer by index. Texts of any length are read, whichever records they cross.
class BiffSharedStrings
{
public:
    // Reads the table; refuses the workbook when it holds fewer texts than it announces, when
    // bytes are left over after the last one, or when a text holds a NUL character, which only
    // damaged data put into a cell.
    static QVector<QString> read(const BiffRecord& table, const QVector<BiffRecord>& continuations);
};

} // namespace ut

#pragma once

#include <QByteArray>
#include <QString>

namespace ut {

// Walks the shared string table of a BIFF8 workbook stream before FreeXL parses it. FreeXL
// misreads, and may crash on, a string whose data run through more than one CONTINUE record,
// and trusts the table's own counts; this check finds both conditions without FreeXL.
class BiffStringTableCheck
{
public:
    // Why FreeXL cannot be given the stream, or an empty text when it can.
    static QString problem(const QByteArray& workbookStream);
};

} // namespace ut

#pragma once

#include <QByteArray>

namespace ut {

class Workbook;

// Encodes an in-memory workbook as the BIFF8 "Workbook" stream of an Excel 97-2003 file:
// the workbook globals (fonts, cell formats, sheet directory, shared strings) followed by
// one substream per sheet with its cells. Text cells go through the shared string table,
// numbers are stored as IEEE doubles, booleans as boolean cells; a column formatted as text
// ("@") carries the text format on its column and on every cell in it.
class BiffWorkbookEncoder
{
public:
    QByteArray encode(const Workbook& workbook) const;
};

} // namespace ut

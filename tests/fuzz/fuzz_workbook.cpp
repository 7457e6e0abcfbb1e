// Any bytes through the workbook reader, as a file given to the program: an .xls through the
// program's own reader, an .xlsx or .ods through liborcus. A file is either refused or read
// whole; a file that is read must survive being saved by the program and read back with the
// same cells, so that the reader and the writer check each other.

#include <cmath>
#include <cstdlib>

#include <QByteArray>
#include <QString>

#include "ut/workbook/xls/BiffWorkbookDecoder.h"
#include "ut/workbook/xls/BiffWorkbookEncoder.h"
#include "ut/workbook/xls/SharedStringTable.h"
#include "ut/workbook/WorkbookReader.h"

namespace {

// What the writer keeps of a cell: everything but numbers the format cannot hold, which it
// writes as an error value and which read back as empty.
QVariant kept(const QVariant& value)
{
    if (value.userType() == QMetaType::Double && !std::isfinite(value.toDouble()))
        return {};
    return value;
}

// Whether the writer takes the workbook: it writes texts of a cell's length without NUL
// characters, and sheets with a name.
bool savable(const ut::Workbook& workbook)
{
    bool ok = workbook.sheetCount() > 0;
    for (const ut::Worksheet& sheet : workbook.sheets()) {
        ok = ok && !sheet.name().isEmpty() && !sheet.name().left(ut::Workbook::maxSheetNameLength).contains(QChar(0));
        sheet.forEachCell([&](int, int, const QVariant& value) {
            if (value.userType() == QMetaType::QString) {
                const QString text = value.toString();
                ok = ok && text.size() <= ut::SharedStringTable::maxLength && !text.contains(QChar(0));
            }
        });
    }
    return ok;
}

// The cells of the two workbooks agree, sheet by sheet.
bool sameCells(const ut::Workbook& a, const ut::Workbook& b)
{
    if (a.sheetCount() != b.sheetCount())
        return false;
    for (int s = 0; s < a.sheetCount(); ++s) {
        int count = 0;
        bool same = true;
        a.sheet(s).forEachCell([&](int row, int column, const QVariant& value) {
            const QVariant expected = kept(value);
            if (!expected.isValid())
                return;
            ++count;
            const QVariant actual = b.sheet(s).cell(row, column);
            same = same && actual.userType() == expected.userType() && actual == expected;
        });
        same = same && count == b.sheet(s).cellCount();
        if (!same)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    ut::WorkbookReader reader;
    const std::optional<ut::Workbook> workbook = reader.parse(bytes, QStringLiteral("fuzz.xls"));
    if (!workbook) {
        // A refusal names the file.
        if (!reader.errorString().contains(QStringLiteral("fuzz.xls")))
            std::abort();
        return 0;
    }
    if (!savable(*workbook))
        return 0;
    const QByteArray stream = ut::BiffWorkbookEncoder().encode(*workbook);
    ut::BiffWorkbookDecoder decoder;
    const std::optional<ut::Workbook> again = decoder.decode(stream);
    if (!again || !sameCells(*workbook, *again))
        std::abort();
    return 0;
}

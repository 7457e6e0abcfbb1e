#include "ut/workbook/xls/BiffSheetReader.h"

#include <cstring>
#include <utility>

#include "ut/workbook/xls/BiffFormulaTokens.h"
#include "ut/workbook/xls/records/BiffRecordChain.h"
#include "ut/workbook/xls/records/BiffRecordStream.h"
#include "ut/workbook/xls/records/BiffRecordTypes.h"
#include "ut/workbook/RangeAddress.h"
#include "ut/workbook/Worksheet.h"

namespace ut {

namespace {

constexpr int bofSize = 16;

// The error value a cell shows for code (#NULL!, #DIV/0!, #VALUE!, #REF!, #NAME?, #NUM!, #N/A);
// empty for a code that is none of them.
QString errorValue(quint8 code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    case 0x2A:
        return QStringLiteral("#N/A");
    default:
        return {};
    }
}

// An RK value: a 30-bit integer or the upper 30 bits of a double, possibly scaled by 100.
double decodeRk(quint32 rk)
{
    double value = 0;
    if (rk & 0x02) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof(value));
    }
    return (rk & 0x01) ? value / 100 : value;
}

// Records that only the workbook globals hold; in a sheet they stand for a damaged record type.
bool isWorkbookRecord(quint16 type)
{
    switch (type) {
    case 0x0017: // EXTERNSHEET
    case 0x0018: // LBL
    case 0x0022: // DATE1904
    case 0x0031: // FONT
    case 0x003D: // WINDOW1
    case 0x0042: // CODEPAGE
    case 0x0085: // BOUNDSHEET8
    case 0x00E0: // XF
    case 0x00FC: // SST
    case 0x00FF: // EXTSST
    case 0x01AE: // SUPBOOK
    case 0x041E: // FORMAT
    case 0x0293: // STYLE
        return true;
    default:
        return false;
    }
}

// Records of the settings that a sheet lists before its cells (protection, page setup, column
// widths, extent): one among the cells stands for a damaged record type.
bool isRecordBeforeCells(quint16 type)
{
    switch (type) {
    case 0x0012: // PROTECT
    case 0x0013: // PASSWORD
    case 0x0014: // HEADER
    case 0x0015: // FOOTER
    case 0x0026: // LEFTMARGIN
    case 0x0027: // RIGHTMARGIN
    case 0x0028: // TOPMARGIN
    case 0x0029: // BOTTOMMARGIN
    case 0x0055: // DEFCOLWIDTH
    case 0x0063: // OBJPROTECT
    case 0x007D: // COLINFO
    case 0x0080: // GUTS
    case 0x0081: // WSBOOL
    case 0x0083: // HCENTER
    case 0x0084: // VCENTER
    case 0x00A1: // SETUP
    case 0x00DD: // SCENPROTECT
    case 0x0200: // DIMENSIONS
    case 0x020B: // INDEX
    case 0x0225: // DEFAULTROWHEIGHT
        return true;
    default:
        return false;
    }
}

// Records of the drawing selection, window settings and pivot tables, which a sheet lists after its cells.
bool isRecordAfterCells(quint16 type)
{
    switch (type) {
    case 0x001D: // SELECTION
    case 0x0041: // PANE
    case 0x00A0: // SCL
    case 0x00B0: // SXVIEW
    case 0x00ED: // MSODRAWINGSELECTION
    case 0x00F5: // SXITM
    case 0x00F9: // SXFMLA
    case 0x023E: // WINDOW2
        return true;
    default:
        return false;
    }
}

} // namespace

BiffSheetReader::BiffSheetReader(const QByteArray& stream, const QVector<QString>& strings,
                                 const QVector<bool>& dateFormats)
    : m_stream(stream)
    , m_strings(strings)
    , m_dateFormats(dateFormats)
{
}

QString BiffSheetReader::cellName(int row, int column) const
{
    return RangeAddress::columnLetters(column + 1) + QString::number(row + 1);
}

void BiffSheetReader::place(int row, int column)
{
    if (m_cellsEnded)
        refuseWorkbook(QStringLiteral("sheet \"%1\" lists cell %2 after its window settings; its records are "
                                      "damaged")
                           .arg(m_sheetName, cellName(row, column)));
    if (column >= Worksheet::maxColumns)
        refuseWorkbook(QStringLiteral("sheet \"%1\" holds a cell in column %2, beyond the last column IV")
                           .arg(m_sheetName)
                           .arg(column + 1));
    const qint64 key = qint64(row) * Worksheet::maxColumns + column;
    if (key <= m_lastKey)
        refuseWorkbook(
            QStringLiteral("sheet \"%1\" lists cell %2 after cell %3; its cell records are out of order")
                .arg(m_sheetName, cellName(row, column),
                     cellName(int(m_lastKey / Worksheet::maxColumns), int(m_lastKey % Worksheet::maxColumns))));
    m_lastKey = key;
}

void BiffSheetReader::checkPlace(const BiffRecord& record)
{
    // Chart records belong to the chart substreams embedded in a sheet, never to the sheet.
    if ((record.type() >> 8) == 0x10)
        refuseWorkbook(QStringLiteral("sheet \"%1\" holds a chart record (type 0x%2) outside a chart, at byte %3; the "
                                      "sheet is damaged")
                           .arg(m_sheetName)
                           .arg(record.type(), 4, 16, QLatin1Char('0'))
                           .arg(record.offset()));
    const bool cellsStarted = m_lastKey >= 0;
    if (cellsStarted && isRecordBeforeCells(record.type()))
        refuseWorkbook(QStringLiteral("sheet \"%1\" holds a record of type 0x%2 among its cells, at byte %3, where no "
                                      "such record belongs; the sheet is damaged")
                           .arg(m_sheetName)
                           .arg(record.type(), 4, 16, QLatin1Char('0'))
                           .arg(record.offset()));
    if (isRecordAfterCells(record.type()))
        m_cellsEnded = true;
}

void BiffSheetReader::setCell(Worksheet& sheet, int row, int column, const QVariant& value)
{
    place(row, column);
    sheet.setCell(row + 1, column + 1, value);
}

void BiffSheetReader::setNumber(Worksheet& sheet, int row, int column, double value, int xf)
{
    if (!m_dateFormats.value(xf)) {
        setCell(sheet, row, column, value);
        return;
    }
    place(row, column);
    sheet.setUnreadable(row + 1, column + 1, QStringLiteral("a date or time"));
}

void BiffSheetReader::read(const BiffGlobals::Sheet& entry, Worksheet& sheet)
{
    m_sheetName = entry.name;
    m_lastKey = -1;
    m_cellsEnded = false;
    m_pendingRow = -1;
    if (qint64(entry.offset) + BiffRecord::headerSize > m_stream.size())
        refuseWorkbook(QStringLiteral("sheet \"%1\" is said to start at byte %2, beyond the end of the workbook "
                                      "stream (%3 bytes); the file is cut short or damaged")
                           .arg(m_sheetName)
                           .arg(entry.offset)
                           .arg(m_stream.size()));
    BiffRecordStream records(m_stream, int(entry.offset));
    const BiffRecord bof = records.next();
    if (bof.type() != BiffRecordTypes::Bof || bof.size() != bofSize || bof.u16(0) != BiffRecordTypes::Biff8
        || bof.u16(2) != BiffRecordTypes::BofWorksheet)
        refuseWorkbook(QStringLiteral("sheet \"%1\" does not start at byte %2, where the workbook says it does")
                           .arg(m_sheetName)
                           .arg(entry.offset));
    // Charts embedded in the sheet are substreams of their own, nested in BOF and EOF pairs.
    int depth = 1;
    while (true) {
        if (records.atEnd())
            refuseWorkbook(
                QStringLiteral("sheet \"%1\" ends without its closing record; the file is cut short or damaged")
                    .arg(m_sheetName));
        const BiffRecord record = records.next();
        if (record.type() == BiffRecordTypes::Bof) {
            ++depth;
            continue;
        }
        if (record.type() == BiffRecordTypes::Eof && --depth == 0)
            break;
        if (depth == 1) {
            checkPlace(record);
            readRecord(record, records, sheet);
        }
    }
    if (m_pendingRow >= 0)
        refuseWorkbook(QStringLiteral("sheet \"%1\": the text result of the formula in %2 is missing")
                           .arg(m_sheetName, cellName(m_pendingRow, m_pendingColumn)));
}

void BiffSheetReader::readRecord(const BiffRecord& record, BiffRecordStream& records, Worksheet& sheet)
{
    const quint16 type = record.type();
    if (m_pendingRow >= 0) {
        // A formula's own records may come between it and its text result.
        if (type == BiffRecordTypes::SharedFormula || type == BiffRecordTypes::Array || type == BiffRecordTypes::Table)
            return;
        if (type != BiffRecordTypes::String)
            refuseWorkbook(QStringLiteral("sheet \"%1\": the text result of the formula in %2 is missing")
                               .arg(m_sheetName, cellName(m_pendingRow, m_pendingColumn)));
        QVector<BiffRecord> chain{record};
        chain += records.takeContinuations();
        const auto what = [this] {
            return QStringLiteral("the text result of the formula in %1 on sheet \"%2\"")
                .arg(cellName(m_pendingRow, m_pendingColumn), m_sheetName);
        };
        const QString text = BiffRecordChain(chain, 0).readText(what);
        if (text.contains(QChar(0)))
            refuseWorkbook(QStringLiteral("%1 holds a NUL character; it is damaged").arg(what()));
        sheet.setCell(m_pendingRow + 1, m_pendingColumn + 1, text);
        m_pendingRow = -1;
        return;
    }
    // Cell records of a fixed size have exactly that size: a damaged record type that turns one
    // kind of cell into another shows as a wrong size instead of an unnoticed change.
    const auto cellOf = [&](int size, const char* kind, bool exact = false) {
        if (record.size() < size || (exact && record.size() != size))
            refuseWorkbook(QStringLiteral("a %1 cell record of sheet \"%2\" at byte %3 holds %4 bytes instead of %5; "
                                          "the sheet is damaged")
                               .arg(QLatin1String(kind), m_sheetName)
                               .arg(record.offset())
                               .arg(record.size())
                               .arg(size));
        return std::make_pair(int(record.u16(0)), int(record.u16(2)));
    };
    switch (type) {
    case BiffRecordTypes::Number: {
        const auto [row, column] = cellOf(14, "number", true);
        setNumber(sheet, row, column, record.f64(6), record.u16(4));
        break;
    }
    case BiffRecordTypes::Rk: {
        const auto [row, column] = cellOf(10, "number", true);
        setNumber(sheet, row, column, decodeRk(record.u32(6)), record.u16(4));
        break;
    }
    case BiffRecordTypes::MulRk:
    case BiffRecordTypes::MulBlank: {
        const bool numbers = type == BiffRecordTypes::MulRk;
        const int width = numbers ? 6 : 2;
        const auto [row, first] = cellOf(6 + width, numbers ? "multiple number" : "multiple blank");
        const int last = record.u16(record.size() - 2);
        const int count = (record.size() - 6) / width;
        if ((record.size() - 6) % width != 0 || last < first || last - first + 1 != count)
            refuseWorkbook(QStringLiteral("sheet \"%1\": the record of cells %2 to %3 holds %4 bytes, which do not "
                                          "make up those cells")
                               .arg(m_sheetName, cellName(row, first), cellName(row, last))
                               .arg(record.size()));
        for (int i = 0; i < count; ++i) {
            if (numbers)
                setNumber(sheet, row, first + i, decodeRk(record.u32(4 + 6 * i + 2)), record.u16(4 + 6 * i));
            else
                place(row, first + i);
        }
        break;
    }
    case BiffRecordTypes::Label: {
        const auto [row, column] = cellOf(9, "text");
        QVector<BiffRecord> chain{record};
        chain += records.takeContinuations();
        const auto what = [&, row = row, column = column] {
            return QStringLiteral("the text of cell %1 on sheet \"%2\"").arg(cellName(row, column), m_sheetName);
        };
        const QString text = BiffRecordChain(chain, 6).readText(what);
        if (text.contains(QChar(0)))
            refuseWorkbook(QStringLiteral("%1 holds a NUL character; it is damaged").arg(what()));
        setCell(sheet, row, column, text);
        break;
    }
    case BiffRecordTypes::LabelSst: {
        const auto [row, column] = cellOf(10, "text", true);
        const quint32 index = record.u32(6);
        if (index >= quint32(m_strings.size()))
            refuseWorkbook(QStringLiteral("sheet \"%1\": cell %2 refers to text %3 of a table of %4 texts")
                               .arg(m_sheetName, cellName(row, column))
                               .arg(qint64(index) + 1)
                               .arg(m_strings.size()));
        setCell(sheet, row, column, m_strings.at(int(index)));
        break;
    }
    case BiffRecordTypes::BoolErr: {
        // Eight bytes as specified; LibreOffice writes a ninth (padding), which readers accept.
        const auto [row, column] = cellOf(8, "boolean");
        if (record.size() > 9)
            cellOf(8, "boolean", true);
        const quint8 value = record.u8(6);
        const quint8 isError = record.u8(7);
        if (isError > 1 || (isError == 0 && value > 1) || (isError == 1 && errorValue(value).isEmpty()))
            refuseWorkbook(QStringLiteral("sheet \"%1\": cell %2 holds neither a boolean nor an error value")
                               .arg(m_sheetName, cellName(row, column)));
        // An error value (#DIV/0!, ...) has nothing the program could use: it is kept to be named.
        if (isError) {
            place(row, column);
            sheet.setUnreadable(row + 1, column + 1, QStringLiteral("the error value %1").arg(errorValue(value)));
        } else {
            setCell(sheet, row, column, value == 1);
        }
        break;
    }
    case BiffRecordTypes::Blank: {
        const auto [row, column] = cellOf(6, "blank", true);
        place(row, column);
        break;
    }
    case BiffRecordTypes::Formula: {
        const auto [row, column] = cellOf(22, "formula");
        const int expressionSize = record.u16(20);
        if (22 + expressionSize > record.size())
            refuseWorkbook(QStringLiteral("sheet \"%1\": the formula in %2 runs past the end of its record")
                               .arg(m_sheetName, cellName(row, column)));
        const BiffFormulaTokens::Result computes = BiffFormulaTokens::resultOf(record.payload() + 22, expressionSize);
        if (record.u16(12) != 0xFFFF) {
            if (computes == BiffFormulaTokens::Result::Text)
                refuseWorkbook(QStringLiteral("sheet \"%1\": the formula in %2 computes a text, but the file keeps a "
                                              "number as its value, as some programs save .xls files; replace the "
                                              "formula by its result, or save the workbook as .xlsx")
                                   .arg(m_sheetName, cellName(row, column)));
            setNumber(sheet, row, column, record.f64(6), record.u16(4));
            break;
        }
        // A result other than a number: its kind is in the first byte.
        switch (record.u8(6)) {
        case 0:
            place(row, column);
            m_pendingRow = row;
            m_pendingColumn = column;
            break;
        case 1:
            setCell(sheet, row, column, record.u8(8) != 0);
            break;
        case 2: {
            // An error value (#DIV/0!, ...) has nothing the program could use: it is kept to be named.
            place(row, column);
            const QString error = errorValue(record.u8(8));
            sheet.setUnreadable(row + 1, column + 1,
                                error.isEmpty()
                                    ? QStringLiteral("a formula whose result is an error value")
                                    : QStringLiteral("a formula whose result is the error value %1").arg(error));
            break;
        }
        case 3:
            // An empty text. Writers that cannot compute formulas keep one for every formula; a
            // formula that gives a number or a logical value cannot have it.
            if (computes == BiffFormulaTokens::Result::Number || computes == BiffFormulaTokens::Result::Logical)
                refuseWorkbook(QStringLiteral("sheet \"%1\": the formula in %2 has no computed value (the program "
                                              "that wrote the file does not compute formulas); open the workbook "
                                              "in a spreadsheet application and save it again")
                                   .arg(m_sheetName, cellName(row, column)));
            place(row, column);
            break;
        default:
            refuseWorkbook(QStringLiteral("sheet \"%1\": the formula in %2 has a result of unknown kind")
                               .arg(m_sheetName, cellName(row, column)));
        }
        break;
    }
    case BiffRecordTypes::String:
        refuseWorkbook(QStringLiteral("sheet \"%1\" holds a formula text result at byte %2 without its formula")
                           .arg(m_sheetName)
                           .arg(record.offset()));
    default:
        if (isWorkbookRecord(type))
            refuseWorkbook(QStringLiteral("sheet \"%1\" holds a record of the workbook globals (type 0x%2) at byte %3; "
                                          "the sheet is damaged")
                               .arg(m_sheetName)
                               .arg(type, 4, 16, QLatin1Char('0'))
                               .arg(record.offset()));
        break;
    }
}

} // namespace ut

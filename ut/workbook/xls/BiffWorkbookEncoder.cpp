#include "ut/workbook/xls/BiffWorkbookEncoder.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "ut/workbook/xls/records/BiffRecordWriter.h"
#include "ut/workbook/xls/records/BiffRecordTypes.h"
#include "ut/workbook/xls/SharedStringTable.h"
#include "ut/workbook/Workbook.h"

namespace ut {

namespace {

constexpr quint16 codePageUtf16 = 0x04B0;

// Excel expects the fifteen style formats and the default cell format at positions 0 to 15;
// the text cell format follows them.
constexpr int styleXfCount = 15;
constexpr quint16 defaultCellXf = 15;
constexpr quint16 textCellXf = 16;
constexpr quint16 builtinTextFormat = 49;

constexpr quint8 errorNum = 0x24;

void writeBof(BiffRecordWriter& out, quint16 substreamType)
{
    out.beginRecord(BiffRecordTypes::Bof);
    out.writeU16(0x0600);
    out.writeU16(substreamType);
    out.writeU16(0x0DBB);
    out.writeU16(0x07CC);
    out.writeU32(0);
    out.writeU32(0x00000006);
    out.endRecord();
}

void writeEof(BiffRecordWriter& out)
{
    out.beginRecord(BiffRecordTypes::Eof);
    out.endRecord();
}

void writeU16Record(BiffRecordWriter& out, quint16 type, quint16 value)
{
    out.beginRecord(type);
    out.writeU16(value);
    out.endRecord();
}

void writeFonts(BiffRecordWriter& out)
{
    // Font index 4 does not exist in BIFF, so five records give the indexes 0 to 3 and 5.
    for (int i = 0; i < 5; ++i) {
        out.beginRecord(BiffRecordTypes::Font);
        out.writeU16(200);
        out.writeU16(0);
        out.writeU16(0x7FFF);
        out.writeU16(400);
        out.writeU16(0);
        out.writeU8(0);
        out.writeU8(0);
        out.writeU8(0);
        out.writeU8(0);
        out.writeShortString(QStringLiteral("Arial"));
        out.endRecord();
    }
}

void writeXf(BiffRecordWriter& out, quint16 format, bool style, quint8 usedAttributes)
{
    out.beginRecord(BiffRecordTypes::Xf);
    out.writeU16(0);
    out.writeU16(format);
    // Locked; a style format has no parent (0xFFF), a cell format derives from style 0.
    out.writeU16(style ? 0xFFF5 : 0x0001);
    out.writeU8(0x20);
    out.writeU8(0);
    out.writeU8(0);
    out.writeU8(usedAttributes);
    out.writeU32(0);
    out.writeU32(0);
    out.writeU16(0x20C0);
    out.endRecord();
}

void writeCellFormats(BiffRecordWriter& out)
{
    for (int i = 0; i < styleXfCount; ++i)
        writeXf(out, 0, true, i == 0 ? 0x00 : 0xF4);
    writeXf(out, 0, false, 0x00);
    writeXf(out, builtinTextFormat, false, 0x04);

    out.beginRecord(BiffRecordTypes::Style);
    out.writeU16(0x8000);
    out.writeU8(0);
    out.writeU8(0xFF);
    out.endRecord();
}

void writeWindow1(BiffRecordWriter& out)
{
    out.beginRecord(BiffRecordTypes::Window1);
    out.writeU16(0);
    out.writeU16(0);
    out.writeU16(0x4000);
    out.writeU16(0x2000);
    out.writeU16(0x0038);
    out.writeU16(0);
    out.writeU16(0);
    out.writeU16(1);
    out.writeU16(0x0258);
    out.endRecord();
}

void writeCell(BiffRecordWriter& out, const QVariant& value, int row, int column, quint16 xf,
               SharedStringTable& strings)
{
    const auto writeHead = [&](quint16 type) {
        out.beginRecord(type);
        out.writeU16(quint16(row - 1));
        out.writeU16(quint16(column - 1));
        out.writeU16(xf);
    };
    switch (static_cast<QMetaType::Type>(value.userType())) {
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (std::isfinite(number)) {
            writeHead(BiffRecordTypes::Number);
            out.writeDouble(number);
        } else {
            // Excel has no infinite or not-a-number values; it shows them as #NUM!.
            writeHead(BiffRecordTypes::BoolErr);
            out.writeU8(errorNum);
            out.writeU8(1);
        }
        break;
    }
    case QMetaType::Bool:
        writeHead(BiffRecordTypes::BoolErr);
        out.writeU8(value.toBool() ? 1 : 0);
        out.writeU8(0);
        break;
    default:
        writeHead(BiffRecordTypes::LabelSst);
        out.writeU32(strings.reference(value.toString()));
        break;
    }
    out.endRecord();
}

QByteArray encodeSheet(const Worksheet& sheet, bool selected, SharedStringTable& strings)
{
    BiffRecordWriter out;
    writeBof(out, BiffRecordTypes::BofWorksheet);
    writeU16Record(out, BiffRecordTypes::DefColWidth, 8);
    for (const int column : sheet.textFormatColumns()) {
        out.beginRecord(BiffRecordTypes::ColInfo);
        out.writeU16(quint16(column - 1));
        out.writeU16(quint16(column - 1));
        out.writeU16(0x0924);
        out.writeU16(textCellXf);
        out.writeU16(0);
        out.writeU16(0);
        out.endRecord();
    }

    int firstRow = 0;
    int firstColumn = 0;
    sheet.forEachCell([&](int row, int column, const QVariant&) {
        firstRow = firstRow == 0 ? row : firstRow;
        firstColumn = firstColumn == 0 ? column : std::min(firstColumn, column);
    });
    out.beginRecord(BiffRecordTypes::Dimensions);
    out.writeU32(firstRow == 0 ? 0 : quint32(firstRow - 1));
    out.writeU32(quint32(sheet.lastRow()));
    out.writeU16(firstColumn == 0 ? 0 : quint16(firstColumn - 1));
    out.writeU16(quint16(sheet.lastColumn()));
    out.writeU16(0);
    out.endRecord();

    sheet.forEachCell([&](int row, int column, const QVariant& value) {
        const quint16 xf = sheet.hasTextFormat(row, column) ? textCellXf : defaultCellXf;
        writeCell(out, value, row, column, xf, strings);
    });

    out.beginRecord(BiffRecordTypes::Window2);
    out.writeU16(selected ? 0x06B6 : 0x00B6);
    out.writeU16(0);
    out.writeU16(0);
    out.writeU32(0x40);
    out.writeU16(0);
    out.writeU16(0);
    out.writeU32(0);
    out.endRecord();
    writeEof(out);
    return out.data();
}

} // namespace

QByteArray BiffWorkbookEncoder::encode(const Workbook& workbook) const
{
    // The sheets are encoded first because their text cells fill the string table that the
    // globals carry; the globals then point to the sheets by stream offset.
    SharedStringTable strings;
    std::vector<QByteArray> sheets;
    sheets.reserve(std::size_t(workbook.sheetCount()));
    for (int i = 0; i < workbook.sheetCount(); ++i)
        sheets.push_back(encodeSheet(workbook.sheet(i), i == 0, strings));

    BiffRecordWriter globals;
    writeBof(globals, BiffRecordTypes::BofGlobals);
    writeU16Record(globals, BiffRecordTypes::CodePage, codePageUtf16);
    writeWindow1(globals);
    writeU16Record(globals, BiffRecordTypes::DateMode, 0);
    writeU16Record(globals, BiffRecordTypes::Precision, 1);
    writeFonts(globals);
    writeCellFormats(globals);
    std::vector<int> offsetFields;
    for (const Worksheet& sheet : workbook.sheets()) {
        globals.beginRecord(BiffRecordTypes::BoundSheet);
        offsetFields.push_back(globals.size());
        globals.writeU32(0);
        globals.writeU8(0);
        globals.writeU8(0);
        globals.writeShortString(sheet.name().left(Workbook::maxSheetNameLength));
        globals.endRecord();
    }
    strings.write(globals);
    writeEof(globals);

    quint32 offset = quint32(globals.size());
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        globals.patchU32(offsetFields[i], offset);
        offset += quint32(sheets[i].size());
    }
    QByteArray stream = globals.data();
    for (const QByteArray& sheet : sheets)
        stream.append(sheet);
    return stream;
}

} // namespace ut

#include "ut/workbook/xls/BiffGlobals.h"

#include <QHash>
#include <QtEndian>

#include "ut/workbook/NumberFormat.h"
#include "ut/workbook/xls/BiffSharedStrings.h"
#include "ut/workbook/xls/records/BiffRecordStream.h"
#include "ut/workbook/xls/records/BiffRecordTypes.h"

namespace ut {

namespace {

bool isCellRecord(quint16 type)
{
    switch (type) {
    case 0x0006: // FORMULA
    case 0x00BD: // MULRK
    case 0x00BE: // MULBLANK
    case 0x00FD: // LABELSST
    case 0x0201: // BLANK
    case 0x0203: // NUMBER
    case 0x0204: // LABEL
    case 0x0205: // BOOLERR
    case 0x0207: // STRING
    case 0x027E: // RK
        return true;
    default:
        return false;
    }
}

BiffGlobals::Sheet readSheetEntry(const BiffRecord& record, int position)
{
    const QString what = QStringLiteral("the directory entry of sheet %1").arg(position);
    record.require(8, what);
    BiffGlobals::Sheet sheet;
    sheet.offset = record.u32(0);
    sheet.kind = record.u8(5);
    const int length = record.u8(6);
    const bool twoBytes = (record.u8(7) & 0x01) != 0;
    record.require(8 + length * (twoBytes ? 2 : 1), what);
    for (int i = 0; i < length; ++i)
        sheet.name.append(QChar(twoBytes ? record.u16(8 + 2 * i) : ushort(record.u8(8 + i))));
    if (sheet.name.isEmpty() || sheet.name.contains(QChar(0)))
        refuseWorkbook(QStringLiteral("sheet %1 has an empty or damaged name").arg(position));
    return sheet;
}

// The code of a number format record; a damaged one reads as far as it goes, as its code only
// tells whether numbers are shown as dates.
QString formatCode(const BiffRecord& record)
{
    if (record.size() < 5)
        return {};
    const int length = record.u16(2);
    const bool twoBytes = (record.u8(4) & 0x01) != 0;
    QString code;
    for (int i = 0; i < length && 5 + (i + 1) * (twoBytes ? 2 : 1) <= record.size(); ++i)
        code.append(QChar(twoBytes ? record.u16(5 + 2 * i) : ushort(record.u8(5 + i))));
    return code;
}

} // namespace

void BiffGlobals::checkStart(const QByteArray& stream)
{
    // Read by hand: the records of older formats are not records of this one.
    if (stream.size() < 8)
        refuseWorkbook(QStringLiteral("the workbook stream is only %1 bytes long").arg(stream.size()));
    const quint16 type = qFromLittleEndian<quint16>(stream.constData());
    const quint16 length = qFromLittleEndian<quint16>(stream.constData() + 2);
    const quint16 version = qFromLittleEndian<quint16>(stream.constData() + 4);
    const quint16 kind = qFromLittleEndian<quint16>(stream.constData() + 6);
    if ((type & 0x00FF) != 0x09)
        refuseWorkbook(QStringLiteral("the workbook stream does not start with a workbook header"));
    if (type != BiffRecordTypes::Bof || version == BiffRecordTypes::Biff5)
        refuseWorkbook(QStringLiteral("it was saved in a format older than Excel 97-2003 (Excel 5.0/95 or before); "
                                      "save it again as an Excel 97-2003 workbook (.xls) or as .xlsx"));
    if (version != BiffRecordTypes::Biff8 || kind != BiffRecordTypes::BofGlobals || length != 16)
        refuseWorkbook(
            QStringLiteral("the workbook stream does not start with the header of an Excel 97-2003 workbook"));
}

BiffGlobals BiffGlobals::read(const QByteArray& stream)
{
    checkStart(stream);
    BiffGlobals globals;
    bool tableRead = false;
    QHash<int, QString> formatCodes;
    QVector<int> formatOfXf;
    BiffRecordStream records(stream, 0);
    records.next();
    // Embedded substreams, which the globals do not normally hold, nest in BOF and EOF pairs.
    int depth = 1;
    while (depth > 0) {
        if (records.atEnd())
            refuseWorkbook(QStringLiteral("the workbook globals end without their closing record; "
                                          "the file is cut short or damaged"));
        const BiffRecord record = records.next();
        switch (record.type()) {
        case BiffRecordTypes::Bof:
            ++depth;
            break;
        case BiffRecordTypes::Eof:
            --depth;
            break;
        case BiffRecordTypes::FilePass:
            refuseWorkbook(QStringLiteral("it is protected with a password; remove the protection in the "
                                          "spreadsheet application and save it again"));
        case BiffRecordTypes::Format:
            if (depth == 1 && record.size() >= 2)
                formatCodes.insert(record.u16(0), formatCode(record));
            break;
        case BiffRecordTypes::Xf:
            if (depth == 1 && record.size() >= 4)
                formatOfXf.append(record.u16(2));
            break;
        case BiffRecordTypes::BoundSheet:
            if (depth == 1)
                globals.m_sheets.append(readSheetEntry(record, globals.m_sheets.size() + 1));
            break;
        case BiffRecordTypes::Sst:
            if (depth > 1)
                break;
            if (tableRead)
                refuseWorkbook(QStringLiteral("it holds two tables of texts"));
            globals.m_strings = BiffSharedStrings::read(record, records.takeContinuations());
            tableRead = true;
            break;
        default:
            // Cells belong to sheets; one here means a damaged record type.
            if (isCellRecord(record.type()))
                refuseWorkbook(
                    QStringLiteral("the workbook globals hold a cell record at byte %1; the stream is damaged")
                        .arg(record.offset()));
            break;
        }
    }
    for (const int format : formatOfXf)
        globals.m_dateFormats.append(NumberFormat::isDate(format, formatCodes.value(format)));
    globals.m_end = records.position();
    return globals;
}

} // namespace ut

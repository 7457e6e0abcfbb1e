#include "ut/BiffRecordStream.h"

#include <QtEndian>

namespace ut {

namespace {

// Whether type can occur in a BIFF8 workbook. The types of the format fall in a few pages; the
// pages of cell records hold only a handful of types each, so a damaged type byte in a cell
// record is caught there instead of making the cell vanish as an unknown record. Types of the
// older formats whose cell records share the first page are refused as well.
bool isBiff8RecordType(quint16 type)
{
    switch (type >> 8) {
    case 0x00:
        return type > 0x0009 || type == 0x0006;
    case 0x01:
    case 0x08:
    case 0x10:
        return true;
    case 0x02:
        switch (type) {
        case 0x0200: // DIMENSIONS
        case 0x0201: // BLANK
        case 0x0203: // NUMBER
        case 0x0204: // LABEL
        case 0x0205: // BOOLERR
        case 0x0207: // STRING
        case 0x0208: // ROW
        case 0x020B: // INDEX
        case 0x0221: // ARRAY
        case 0x0225: // DEFAULTROWHEIGHT
        case 0x0236: // TABLE
        case 0x023E: // WINDOW2
        case 0x027E: // RK
        case 0x0293: // STYLE
            return true;
        default:
            return false;
        }
    case 0x04:
        // BIGNAME, FORMAT, CONTINUEBIGNAME, SHRFMLA
        return type == 0x0418 || type == 0x041E || type == 0x043C || type == 0x04BC;
    default:
        return false;
    }
}

} // namespace

BiffRecordStream::BiffRecordStream(const QByteArray& stream, int start)
    : m_stream(stream)
    , m_position(start)
{
}

BiffRecord BiffRecordStream::recordAt(int offset) const
{
    const int size = int(m_stream.size());
    if (offset + BiffRecord::headerSize > size)
        refuseWorkbook(QStringLiteral("the workbook stream ends inside a record header at byte %1; "
                                      "the file is cut short or damaged")
                           .arg(offset));
    const char* header = m_stream.constData() + offset;
    const quint16 type = qFromLittleEndian<quint16>(header);
    const int length = qFromLittleEndian<quint16>(header + 2);
    if (!isBiff8RecordType(type))
        refuseWorkbook(QStringLiteral("byte %1 holds a record of type 0x%2, which no Excel 97-2003 workbook holds")
                           .arg(offset)
                           .arg(type, 4, 16, QLatin1Char('0')));
    if (length > BiffRecord::maxPayload)
        refuseWorkbook(QStringLiteral("the record at byte %1 claims %2 bytes, more than a record can hold")
                           .arg(offset)
                           .arg(length));
    if (offset + BiffRecord::headerSize + length > size)
        refuseWorkbook(QStringLiteral("the record at byte %1 runs past the end of the workbook stream (%2 bytes); "
                                      "the file is cut short or damaged")
                           .arg(offset)
                           .arg(size));
    return BiffRecord(type, offset, header + BiffRecord::headerSize, length);
}

BiffRecord BiffRecordStream::next()
{
    const BiffRecord record = recordAt(m_position);
    m_position = record.end();
    return record;
}

QVector<BiffRecord> BiffRecordStream::takeContinuations()
{
    QVector<BiffRecord> records;
    while (!atEnd()) {
        const BiffRecord record = recordAt(m_position);
        if (record.type() != typeContinue)
            break;
        records.append(record);
        m_position = record.end();
    }
    return records;
}

} // namespace ut

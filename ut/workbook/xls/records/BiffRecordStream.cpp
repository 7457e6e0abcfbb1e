#include "ut/workbook/xls/records/BiffRecordStream.h"

#include <QtEndian>

#include "ut/workbook/xls/records/BiffRecordTypes.h"

namespace ut {

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
    if (!BiffRecordTypes::isKnown(type))
        refuseWorkbook(QStringLiteral("byte %1 holds a record of type 0x%2, which no Excel 97-2003 workbook holds")
                           .arg(offset)
                           .arg(type, 4, 16, QLatin1Char('0')));
    if (length > BiffRecord::maxPayload)
        refuseWorkbook(QStringLiteral("the record at byte %1 claims %2 bytes, more than a record can hold")
                           .arg(offset)
                           .arg(length));
    const int fixedSize = BiffRecordTypes::fixedSize(type);
    if (fixedSize >= 0 && length != fixedSize)
        refuseWorkbook(QStringLiteral("the record of type 0x%1 at byte %2 holds %3 bytes instead of %4; the stream "
                                      "is damaged")
                           .arg(type, 4, 16, QLatin1Char('0'))
                           .arg(offset)
                           .arg(length)
                           .arg(fixedSize));
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
        if (record.type() != BiffRecordTypes::Continue)
            break;
        records.append(record);
        m_position = record.end();
    }
    return records;
}

} // namespace ut

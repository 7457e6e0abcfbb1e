#include "ut/workbook/xls/records/BiffRecordWriter.h"

#include <cstring>

#include <QtEndian>

namespace ut {

void BiffRecordWriter::beginRecord(quint16 type)
{
    Q_ASSERT(m_recordStart < 0);
    m_recordStart = int(m_data.size());
    writeU16(type);
    writeU16(0);
}

void BiffRecordWriter::endRecord()
{
    Q_ASSERT(m_recordStart >= 0);
    const int length = payloadSize();
    Q_ASSERT(length <= maxPayload);
    qToLittleEndian<quint16>(quint16(length), m_data.data() + m_recordStart + 2);
    m_recordStart = -1;
}

int BiffRecordWriter::payloadSize() const
{
    return m_recordStart < 0 ? 0 : int(m_data.size()) - m_recordStart - 4;
}

void BiffRecordWriter::writeU8(quint8 value)
{
    m_data.append(char(value));
}

void BiffRecordWriter::writeU16(quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    m_data.append(bytes, 2);
}

void BiffRecordWriter::writeU32(quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    m_data.append(bytes, 4);
}

void BiffRecordWriter::writeDouble(double value)
{
    quint64 bits = 0;
    static_assert(sizeof(bits) == sizeof(value), "IEEE 754 double expected");
    std::memcpy(&bits, &value, sizeof(bits));
    char bytes[8];
    qToLittleEndian(bits, bytes);
    m_data.append(bytes, 8);
}

void BiffRecordWriter::writeCharacters(const QString& text, int from, int count, bool compressed)
{
    const QChar* chars = text.constData() + from;
    if (compressed) {
        QByteArray bytes(count, Qt::Uninitialized);
        for (int i = 0; i < count; ++i)
            bytes[i] = char(chars[i].unicode());
        m_data.append(bytes);
        return;
    }
    QByteArray bytes(count * 2, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        qToLittleEndian<quint16>(chars[i].unicode(), bytes.data() + 2 * i);
    m_data.append(bytes);
}

void BiffRecordWriter::writeShortString(const QString& text)
{
    const QString clipped = text.left(255);
    const bool compressed = fitsCompressed(clipped);
    writeU8(quint8(clipped.size()));
    writeU8(compressed ? 0 : 1);
    writeCharacters(clipped, 0, int(clipped.size()), compressed);
}

void BiffRecordWriter::patchU32(int offset, quint32 value)
{
    Q_ASSERT(offset >= 0 && offset + 4 <= m_data.size());
    qToLittleEndian(value, m_data.data() + offset);
}

bool BiffRecordWriter::fitsCompressed(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return false;
    }
    return true;
}

} // namespace ut

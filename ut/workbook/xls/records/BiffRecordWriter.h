#pragma once

#include <QByteArray>
#include <QString>

namespace ut {

// Builds a BIFF8 record stream: each record is a 16-bit type, a 16-bit payload length and the
// payload, all little-endian. A record's payload is written in place between beginRecord()
// and endRecord(), which fills in the length.
class BiffRecordWriter
{
public:
    // The largest payload a BIFF8 record may carry; longer data continue in CONTINUE records.
    static constexpr int maxPayload = 8224;

    void beginRecord(quint16 type);
    void endRecord();
    // Bytes in the payload of the open record.
    int payloadSize() const;
    int payloadRemaining() const { return maxPayload - payloadSize(); }

    void writeU8(quint8 value);
    void writeU16(quint16 value);
    void writeU32(quint32 value);
    void writeDouble(double value);
    void writeBytes(const QByteArray& bytes) { m_data.append(bytes); }
    // Characters [from, from + count) of text, one byte each when compressed (all code units
    // below 256), else UTF-16LE.
    void writeCharacters(const QString& text, int from, int count, bool compressed);
    // A string with an 8-bit character count (sheet and font names), then its option byte.
    void writeShortString(const QString& text);

    // Overwrites four bytes already written, at a stream offset.
    void patchU32(int offset, quint32 value);

    // Bytes written so far, including records not yet ended.
    int size() const { return int(m_data.size()); }
    const QByteArray& data() const { return m_data; }

    static bool fitsCompressed(const QString& text);

private:
    QByteArray m_data;
    int m_recordStart = -1;
};

} // namespace ut

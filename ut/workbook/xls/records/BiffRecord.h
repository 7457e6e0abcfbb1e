#pragma once

#include <QString>
#include <QtGlobal>

namespace ut {

// One record of a BIFF8 stream: its type, the byte at which its header starts and a view of
// its payload inside the stream, which must outlive the record. Fixed-size fields are read by
// their offset in the payload, which refuse the workbook when the payload
// does not reach them; require() says the same in the words of the caller.
class BiffRecord
{
public:
    static constexpr int headerSize = 4;
    // The format's limit; longer data go on in CONTINUE records.
    static constexpr int maxPayload = 8224;

    BiffRecord() = default;
    BiffRecord(quint16 type, int offset, const char* payload, int size);

    quint16 type() const { return m_type; }
    int offset() const { return m_offset; }
    int size() const { return m_size; }
    const char* payload() const { return m_payload; }
    // The byte right after the record.
    int end() const { return m_offset + headerSize + m_size; }

    // Refuses the workbook, saying what the record is and what it lacks, unless the payload
    // holds at least size bytes.
    void require(int size, const QString& what) const;

    quint8 u8(int at) const;
    quint16 u16(int at) const;
    quint32 u32(int at) const;
    double f64(int at) const;

private:
    void check(int at, int width) const;

    quint16 m_type = 0;
    int m_offset = 0;
    const char* m_payload = nullptr;
    int m_size = 0;
};

// Ends the reading of a damaged workbook stream: throws the ut::Exception that the decoder turns
// into its refusal, problem saying what is wrong in words the user can act on.
[[noreturn]] void refuseWorkbook(const QString& problem);

} // namespace ut

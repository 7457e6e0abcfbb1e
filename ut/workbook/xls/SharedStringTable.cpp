#include "ut/workbook/xls/SharedStringTable.h"

#include <algorithm>

#include "ut/workbook/xls/records/BiffRecordWriter.h"
#include "ut/workbook/xls/records/BiffRecordTypes.h"

namespace ut {

namespace {

// Position of one string in the stream, for the EXTSST index.
struct StringPosition
{
    int streamOffset;
    int recordOffset;
};

} // namespace

quint32 SharedStringTable::reference(const QString& text)
{
    Q_ASSERT(text.size() <= maxLength);
    ++m_references;
    const auto found = m_indexes.constFind(text);
    if (found != m_indexes.constEnd())
        return found.value();
    const quint32 index = quint32(m_strings.size());
    m_indexes.insert(text, index);
    m_strings.append(text);
    return index;
}

int SharedStringTable::bucketSize() const
{
    return std::max(8, (m_strings.size() + 127) / 128);
}

void SharedStringTable::write(BiffRecordWriter& out) const
{
    const int perBucket = bucketSize();
    QVector<StringPosition> bucketStarts;

    out.beginRecord(BiffRecordTypes::Sst);
    out.writeU32(m_references);
    out.writeU32(quint32(m_strings.size()));
    bool recordHoldsStrings = false;
    for (int i = 0; i < m_strings.size(); ++i) {
        const QString& text = m_strings.at(i);
        const bool compressed = BiffRecordWriter::fitsCompressed(text);
        const int charSize = compressed ? 1 : 2;
        // A string that does not fit the rest of the record starts the next one, so only
        // strings longer than a whole record are split; the head of a string (its length and
        // option byte) must never be split.
        if (recordHoldsStrings && 3 + charSize * int(text.size()) > out.payloadRemaining()) {
            out.endRecord();
            out.beginRecord(BiffRecordTypes::Continue);
        }
        recordHoldsStrings = true;
        if (i % perBucket == 0)
            bucketStarts.append({out.size(), out.payloadSize() + 4});
        out.writeU16(quint16(text.size()));
        out.writeU8(compressed ? 0 : 1);
        int written = 0;
        while (true) {
            const int fit = std::min(int(text.size()) - written, out.payloadRemaining() / charSize);
            out.writeCharacters(text, written, fit, compressed);
            written += fit;
            if (written >= text.size())
                break;
            // A string continued in the next record repeats its option byte there.
            out.endRecord();
            out.beginRecord(BiffRecordTypes::Continue);
            out.writeU8(compressed ? 0 : 1);
        }
    }
    out.endRecord();

    out.beginRecord(BiffRecordTypes::ExtSst);
    out.writeU16(quint16(perBucket));
    for (const StringPosition& position : bucketStarts) {
        out.writeU32(quint32(position.streamOffset));
        out.writeU16(quint16(position.recordOffset));
        out.writeU16(0);
    }
    out.endRecord();
}

} // namespace ut

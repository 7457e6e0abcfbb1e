#pragma once

#include <functional>

#include <QString>
#include <QVector>

#include "ut/workbook/xls/records/BiffRecord.h"

namespace ut {

// Reads the payload of a record and of the CONTINUE records that extend it as one sequence,
// with the rules BIFF8 gives texts that cross from one record into the next: the fixed head of
// a text (its length and option flags) lies within one record; where its characters go on in
// the next record, that record starts with a fresh option byte that says whether the rest is
// stored with one byte or two per character; formatting runs and phonetic data go on without it.
// Whatever the chain does not hold refuses the workbook.
class BiffRecordChain
{
public:
    // Says what is being read, for a refusal; called only when one is made.
    using Describe = std::function<QString()>;

    // Reading starts at byte start of the first record's payload.
    BiffRecordChain(QVector<BiffRecord> records, int start);

    // Bytes not yet read, over all records of the chain.
    qint64 remaining() const;

    // A text as the shared string table stores it (XLUnicodeRichExtendedString): 16-bit length,
    // option flags, optional run count and phonetic size, the characters, then the formatting
    // runs and phonetic data, which are skipped. A text that starts exactly at the end of a
    // record starts in the next one.
    QString readRichText(const Describe& what);
    // A text as cell and formula result records store it (XLUnicodeString): 16-bit length,
    // option flags, characters.
    QString readText(const Describe& what);

private:
    int left() const { return m_records.at(m_record).size() - m_offset; }
    bool nextRecord();
    // Moves to the next record when the current one is used up, as a new structure starts there.
    void startStructure(const Describe& what);
    quint8 readU8(const Describe& what);
    quint16 readU16(const Describe& what);
    quint32 readU32(const Describe& what);
    QString readCharacters(int count, bool twoBytes, const Describe& what);
    void skip(qint64 bytes, const Describe& what);

    QVector<BiffRecord> m_records;
    int m_record = 0;
    int m_offset = 0;
};

} // namespace ut

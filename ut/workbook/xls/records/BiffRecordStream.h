#pragma once

#include <QByteArray>
#include <QVector>

#include "ut/workbook/xls/records/BiffRecord.h"

namespace ut {

// Walks the records of a BIFF8 workbook stream from a starting byte. Every record handed out
// lies wholly inside the stream; a header or payload that runs past the end, a payload longer
// than the format allows, or a record type that no BIFF8 workbook holds refuses the workbook.
class BiffRecordStream
{
public:
    // stream must outlive the walker and the records it hands out.
    BiffRecordStream(const QByteArray& stream, int start);

    bool atEnd() const { return m_position >= m_stream.size(); }
    int position() const { return m_position; }

    // The record at the current position; the position moves past it.
    BiffRecord next();
    // The CONTINUE records that follow the last record returned, which they extend; the
    // position moves past them.
    QVector<BiffRecord> takeContinuations();

private:
    BiffRecord recordAt(int offset) const;

    const QByteArray& m_stream;
    int m_position;
};

} // namespace ut

#pragma once

#include <QHash>
#include <QString>
#include <QVector>

namespace ut {

class BiffRecordWriter;

// The workbook-wide table of unique cell texts that BIFF8 text cells refer to by index,
// written as the SST record (continued as needed) and its EXTSST lookup index.
class SharedStringTable
{
public:
    // The longest text a cell holds, in UTF-16 code units; the writer refuses longer ones
    // before it encodes anything, so that no text is ever shortened.
    static constexpr int maxLength = 32767;

    // The index of text, adding it on first use; every call counts as one reference from a cell.
    quint32 reference(const QString& text);

    int uniqueCount() const { return m_strings.size(); }
    quint32 referenceCount() const { return m_references; }

    void write(BiffRecordWriter& out) const;

private:
    // Strings are grouped in buckets for the EXTSST index; Excel reads at most 128 of them.
    int bucketSize() const;

    QHash<QString, quint32> m_indexes;
    QVector<QString> m_strings;
    quint32 m_references = 0;
};

} // namespace ut

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
    // The longest text written to a cell. Excel allows 32767 characters, but FreeXL cannot
    // read a text that spans more than two records; this length always fits two.
    static constexpr int maxLength = 8192;

    // The index of text (clipped to maxLength), adding it on first use; every call counts
    // as one reference from a cell.
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

#include "ui/output/TidyTableCsv.h"

#include <algorithm>

#include "ui/output/CsvText.h"

namespace ui {

TidyTableCsv::TidyTableCsv(const QString& path)
    : m_stream(path)
{
    // The table is written once and passed around: the smallest file is worth the compressor's
    // extra time, which is small beside the run's (a few seconds for thousands of models).
    m_stream.setCompressionLevel(9);
}

QByteArray TidyTableCsv::header()
{
    QByteArray line;
    for (const char* name : columnNames()) {
        if (!line.isEmpty())
            line += ',';
        line += name;
    }
    return line + '\n';
}

bool TidyTableCsv::open()
{
    return m_stream.open() && m_stream.write(header());
}

void TidyTableCsv::addRow(const Row& row)
{
    if (!std::equal(m_keyTexts.begin(), m_keyTexts.end(), row.texts.begin()) || m_keyFields.isEmpty()) {
        std::copy_n(row.texts.begin(), m_keyTexts.size(), m_keyTexts.begin());
        m_keyFields.clear();
        for (const QString& text : m_keyTexts)
            m_keyFields += CsvText::field(text) + ',';
    }
    m_rows += m_keyFields;
    for (std::size_t i = m_keyTexts.size(); i < row.texts.size(); ++i) {
        m_rows += CsvText::field(row.texts[i]);
        m_rows += ',';
    }
    for (std::size_t i = 0; i < row.numbers.size(); ++i) {
        if (i > 0)
            m_rows += ',';
        // A statistic that could not be computed is left empty: NA.
        if (row.numbers[i])
            m_rows += CsvText::number(*row.numbers[i]);
    }
    m_rows += '\n';
}

bool TidyTableCsv::flush()
{
    const bool written = m_stream.write(m_rows);
    m_rows.clear();
    return written;
}

bool TidyTableCsv::commit()
{
    return flush() && m_stream.commit();
}

} // namespace ui

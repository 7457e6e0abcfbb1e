#include "ut/workbook/orcus/OrcusSharedStrings.h"

namespace ut {

bool OrcusSharedStrings::find(std::size_t index, QString& text) const
{
    if (index >= m_strings.size())
        return false;
    text = m_strings[index];
    return true;
}

std::size_t OrcusSharedStrings::append(std::string_view s)
{
    m_strings.push_back(QString::fromUtf8(s.data(), int(s.size())));
    return m_strings.size() - 1;
}

std::size_t OrcusSharedStrings::add(std::string_view s)
{
    // Cells refer to texts by the index handed back, so a repeated text may take a new one.
    return append(s);
}

void OrcusSharedStrings::append_segment(std::string_view s)
{
    m_segments.append(s);
}

std::size_t OrcusSharedStrings::commit_segments()
{
    const std::size_t index = append(m_segments);
    m_segments.clear();
    return index;
}

} // namespace ut

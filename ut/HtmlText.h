#pragma once

#include <QString>

namespace ut {

// The small HTML fragments of the messages shown in the page, as plain text for a terminal:
// line breaks become new lines, list items lines of their own starting with "- ", other
// markup goes, and character references become the characters they stand for.
class HtmlText
{
public:
    static QString toPlainText(const QString& html);
};

} // namespace ut

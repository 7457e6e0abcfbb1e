#include "ut/workbook/RangeAddress.h"

#include <algorithm>

#include <QRegularExpression>

#include "ut/workbook/Worksheet.h"

namespace ut {

namespace {

// One side of an address: column letters, row digits, or both.
struct Corner
{
    int row = 0;
    int column = 0;
};

std::optional<Corner> parseCorner(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\$?([A-Za-z]*)\\$?([0-9]*)$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch() || text.isEmpty())
        return std::nullopt;
    Corner corner;
    const QString letters = match.captured(1);
    const QString digits = match.captured(2);
    if (letters.isEmpty() && digits.isEmpty())
        return std::nullopt;
    if (!letters.isEmpty()) {
        corner.column = RangeAddress::columnNumber(letters);
        if (corner.column == 0)
            return std::nullopt;
    }
    if (!digits.isEmpty()) {
        bool ok = false;
        corner.row = digits.toInt(&ok);
        if (!ok || corner.row < 1 || corner.row > Worksheet::maxRows)
            return std::nullopt;
    }
    return corner;
}

} // namespace

RangeAddress::RangeAddress(int top, int left, int bottom, int right)
    : m_top(std::min(top, bottom))
    , m_left(std::min(left, right))
    , m_bottom(std::max(top, bottom))
    , m_right(std::max(left, right))
{
}

std::optional<RangeAddress> RangeAddress::parse(const QString& address)
{
    const QStringList parts = address.trimmed().split(QLatin1Char(':'));
    if (parts.size() > 2)
        return std::nullopt;
    const std::optional<Corner> first = parseCorner(parts.constFirst());
    const std::optional<Corner> last = parseCorner(parts.constLast());
    if (!first || !last)
        return std::nullopt;
    const bool firstIsCell = first->row > 0 && first->column > 0;
    const bool lastIsCell = last->row > 0 && last->column > 0;
    if (firstIsCell && lastIsCell)
        return RangeAddress(first->row, first->column, last->row, last->column);
    // Whole columns and whole rows need both sides and no mixture ("A:3" names nothing).
    if (parts.size() != 2 || firstIsCell || lastIsCell)
        return std::nullopt;
    if (first->column > 0 && last->column > 0)
        return RangeAddress(1, first->column, Worksheet::maxRows, last->column);
    if (first->row > 0 && last->row > 0)
        return RangeAddress(first->row, 1, last->row, Worksheet::maxColumns);
    return std::nullopt;
}

QString RangeAddress::columnLetters(int column)
{
    QString letters;
    while (column > 0) {
        const int digit = (column - 1) % 26;
        letters.prepend(QChar(QLatin1Char('A').unicode() + digit));
        column = (column - 1) / 26;
    }
    return letters;
}

int RangeAddress::columnNumber(const QString& letters)
{
    if (letters.isEmpty() || letters.size() > 3)
        return 0;
    int column = 0;
    for (const QChar c : letters) {
        const QChar upper = c.toUpper();
        if (upper < QLatin1Char('A') || upper > QLatin1Char('Z'))
            return 0;
        column = column * 26 + (upper.unicode() - 'A' + 1);
    }
    return column <= Worksheet::maxColumns ? column : 0;
}

} // namespace ut

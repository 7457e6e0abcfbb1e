#pragma once

#include <optional>

#include <QString>

namespace ut {

// An A1-style cell address resolved to 1-based corners: a cell ("B3"), a block ("A1:C5"),
// whole columns ("A:A", "A:C") or whole rows ("3:5"); "$" markers and letter case are ignored.
class RangeAddress
{
public:
    static std::optional<RangeAddress> parse(const QString& address);

    // 1 -> "A", 26 -> "Z", 27 -> "AA"; empty for numbers below 1.
    static QString columnLetters(int column);
    // The inverse of columnLetters; 0 when letters is not a column name within the sheet limit.
    static int columnNumber(const QString& letters);

    int top() const { return m_top; }
    int left() const { return m_left; }
    int bottom() const { return m_bottom; }
    int right() const { return m_right; }

private:
    RangeAddress(int top, int left, int bottom, int right);

    int m_top;
    int m_left;
    int m_bottom;
    int m_right;
};

} // namespace ut

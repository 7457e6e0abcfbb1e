#pragma once

#include <QString>

namespace fn {

// What makes a text fit to stand for exactly one cell of a stratified parameter. The cells of an
// array are compiled together as one list of expressions, so a text that spills over its own cell
// (an unpaired bracket, or a comma outside any brackets that starts a second expression) must be
// caught before it is joined to its neighbours. The check reads the text only, without the
// formula library, so that it is cheap enough for every cell of every workbook that is read.
class CellFormula
{
public:
    // Why text cannot be one cell: its brackets do not pair, or commas outside any brackets make
    // it several expressions (with "a decimal comma?" when one sits between two digits, as in
    // 82,1). Empty when it can, which still leaves whether it compiles to the formula library.
    static QString shapeProblem(const QString& text);

    // Whether a comma outside any brackets sits between two digits, as a decimal comma does.
    static bool looksLikeDecimalComma(const QString& text);

    // The reason given for a text that yields count values instead of one.
    static QString manyValues(int count, const QString& text);
};

} // namespace fn

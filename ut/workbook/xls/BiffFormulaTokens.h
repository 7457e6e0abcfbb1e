#pragma once

#include <QtGlobal>

namespace ut {

// Reads the parsed expression of a BIFF8 formula (its tokens in reverse Polish order) far
// enough to tell what kind of value its last operation gives: a text join (&), a text constant
// or a text function gives a text; arithmetic and numeric constants a number; comparisons and
// logical constants a logical value. Writers that keep a value that cannot be the formula's
// (the number 0 for a text, or an empty text for a formula they never computed) are caught by
// comparing the two; a reader that trusted the kept value would change the cell without a word.
class BiffFormulaTokens
{
public:
    enum class Result { Unknown, Number, Text, Logical };

    // The kind of value the expression certainly gives; Unknown when it may give several kinds
    // (a cell reference, IF, most functions) or when a token this walker does not know leaves
    // it unsure.
    static Result resultOf(const char* tokens, int size);
};

} // namespace ut

#pragma once

#include <QtGlobal>

namespace ut {

// Reads the parsed expression of a BIFF8 formula (its tokens in reverse Polish order) far
// enough to tell whether the formula computes a text: its last operation is a text join (&),
// a text constant, or one of the worksheet functions that always give a text. Some writers
// store the number 0 as the value of such formulas; a reader that trusts that value turns a
// text into "0" without a word.
class BiffFormulaTokens
{
public:
    // True when the expression certainly yields a text; false when it does not, or when a token
    // this walker does not know leaves it unsure.
    static bool yieldsText(const char* tokens, int size);
};

} // namespace ut

#pragma once

#include <QString>
#include <QStringList>

#include "fn/values/InputFactor.h"

namespace fn {

// Says why formulas do not compile, in words the user can act on: which cell, its text and the
// formula library's reason. Meant for after an array as a whole failed to compile: compiling
// its cells one by one takes longer than compiling them together.
class FormulaProblems
{
public:
    // The cells of formulas that do not compile to exactly one value, at most a few of them, one
    // per line: each with its stratum (the levels of factors, the first factor varying slowest),
    // its text and the reason (the formula library's, or how many values it gives, with "a
    // decimal comma?" where it looks like one). Empty when every cell compiles on its own.
    static QStringList describe(const QStringList& formulas, const InputFactorPtrs& factors);

    // The cell at index of an array of cellCount formulas over factors, as the user finds it:
    // "stratum Age 0-4, Sex Female", or "cell 3" when the formulas do not cover the strata one to one.
    static QString stratumOf(int index, int cellCount, const InputFactorPtrs& factors);

    // Cells named by describe() before it only counts the others.
    static constexpr int ListedCells = 3;
};

} // namespace fn

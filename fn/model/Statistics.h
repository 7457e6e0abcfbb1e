#pragma once

#include <QVariantMap>

#include "fn/values/InputFactor.h"
#include "fn/values/Marray.h"

namespace fn::statistics {

// Statistics over per-iteration values: "Mean" and the 2.5 %, 50 % and 97.5 % quantiles
// estimated in one pass with the extended P-square algorithm. With no values every
// entry is the text "-".
QVariantMap statisticsMap(const double* values, std::size_t count);
QVariantMap statisticsMap(const Marray& values);

// Statistics of every (age group, sex) cell of a sample-shaped array: "arrayFemale" and
// "arrayMale" list one map per age group (filled only for two factors and at least two
// iterations); "meta" is an empty list.
QVariantMap stratifiedMap(const Marray& samples, const InputFactorPtrs& factors);

// x * a / b for every element: the per-100 000 and per-case forms of a totals array.
Marray scaled(const Marray& values, double factor, double divisor);
Marray divided(const Marray& values, const Marray& divisors);

} // namespace fn::statistics

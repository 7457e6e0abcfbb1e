#pragma once

#include <cstdint>

#include "fn/values/Marray.h"

namespace fn::samples {

// Running sums over the iterations of a run, from which the elements' per-stratum means are
// taken: the sum of iteration 1, 2, ... in that order, divided by the number of iterations.

// Adds values into sums element by element, over the elements both arrays have.
void addToSums(Marray& sums, const Marray& values);

// Per stratum, the sum over the iterations divided by their number (not-a-number for none).
Marray meansOf(const Marray& sums, std::uint32_t iterations);

} // namespace fn::samples

#pragma once

#include <cstdint>

#include "fn/values/Marray.h"

namespace fn::samples {

// Helpers for per-iteration stores: a stratum-shaped array followed by one last
// dimension, the iteration index. Stores are first-major, so the iterations of one
// stratum are contiguous.

Marray::Shape sampleShape(const Marray::Shape& strataShape, std::uint32_t iterations);

// Writes a stratum-shaped array into slice (iteration - 1) of a store; iterations count from 1.
void storeSlice(Marray& store, const Marray& slice, std::uint32_t iteration);

// Per stratum, the sum over the iteration slices divided by their number.
Marray meanOverIterations(const Marray& store);

// Per iteration, the sum over all strata: shape (iterations).
Marray totalsPerIteration(const Marray& store);

// The stratum-shaped array repeated over every iteration.
Marray repeatOverIterations(const Marray& strata, std::uint32_t iterations);

// Stratum shape of a sample-shaped store (all extents but the last).
Marray::Shape strataShapeOf(const Marray& store);

} // namespace fn::samples

#pragma once

#include <cstdint>

#include "fn/model/DiseaseModel.h"

namespace fn {

// Refuses a run whose per-iteration arrays could not fit in memory, before anything of it is
// allocated: a model keeps arrays of (strata x iterations) doubles while it runs, and a
// specification of a million strata or a sample size of a billion would otherwise fail deep
// inside the run, after minutes, with nothing said about why.
class RunMemoryCheck
{
public:
    // Arrays of (strata x iterations) doubles that one model run keeps at the same time.
    static constexpr std::uint64_t SampleArraysPerModel = 6;

    static std::uint64_t bytesNeeded(const DiseaseModel& model, std::uint32_t iterations);
    // Throws ut::Exception naming the first model that does not fit, its strata, the sample
    // size and both amounts of memory. A run holds the arrays of at most recordsAtOnce models
    // at the same time (models running side by side, and models waiting for their turn in the
    // totals), so each must fit that many times.
    static void require(const DiseaseModelList& models, std::uint32_t iterations, int recordsAtOnce = 1);
};

} // namespace fn

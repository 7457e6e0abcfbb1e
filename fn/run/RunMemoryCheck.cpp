#include "fn/run/RunMemoryCheck.h"

#include <algorithm>

#include "fn/values/MemoryBudget.h"
#include "ut/Exception.h"

namespace fn {

namespace {

std::uint64_t strataOf(const DiseaseModel& model)
{
    std::uint64_t strata = 1;
    for (Marray::Extent extent : model.strataShape())
        strata = MemoryBudget::bytesFor({strata}, extent);
    return strata;
}

} // namespace

std::uint64_t RunMemoryCheck::bytesNeeded(const DiseaseModel& model, std::uint32_t iterations)
{
    return MemoryBudget::bytesFor({strataOf(model), iterations, SampleArraysPerModel}, sizeof(double));
}

void RunMemoryCheck::require(const DiseaseModelList& models, std::uint32_t iterations, int recordsAtOnce)
{
    const std::uint64_t atOnce = std::uint64_t(std::max(1, std::min(recordsAtOnce, int(models.size()))));
    for (const auto& model : models) {
        const std::uint64_t needed = MemoryBudget::bytesFor({bytesNeeded(*model, iterations), atOnce}, 1);
        if (MemoryBudget::fits(needed))
            continue;
        throw ut::Exception(
            QStringLiteral("Model %1 (%2) cannot be run with %3 iterations: its %4 strata need about %5 of memory "
                           "for the samples, and at most %6 can be used on this computer. "
                           "Reduce the sample size or the number of strata.")
                .arg(model->modelId(), model->diseaseId())
                .arg(iterations)
                .arg(strataOf(*model))
                .arg(MemoryBudget::text(needed), MemoryBudget::text(MemoryBudget::limit())),
            QStringLiteral("fn::RunMemoryCheck::require"));
    }
}

} // namespace fn

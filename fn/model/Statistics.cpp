#include "fn/model/Statistics.h"

namespace fn::statistics {

QVariantMap statisticsMap(const double* values, std::size_t count)
{
    QuantileEstimator estimator;
    for (std::size_t i = 0; i < count; ++i)
        estimator.add(values[i]);
    return estimator.statisticsMap();
}

QVariantMap stratifiedMap(const Marray& samples, const InputFactorPtrs& factors)
{
    const std::size_t dims = samples.dimension();
    if (dims == 0)
        return stratifiedStatistics(Marray::Shape(), factors, 0, [](std::uint32_t, std::size_t) { return 0.0; });
    Marray::Shape strataShape;
    for (std::size_t j = 0; j + 1 < dims; ++j)
        strataShape.push_back(samples.shape(j));
    const auto iterations = static_cast<std::uint32_t>(samples.shape(dims - 1));
    return stratifiedStatistics(strataShape, factors, iterations,
                                [&](std::uint32_t k, std::size_t i) { return samples[i * iterations + k]; });
}

} // namespace fn::statistics

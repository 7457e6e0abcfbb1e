#include "fn/model/Statistics.h"

#include <cmath>

namespace fn::statistics {

QVariantMap statisticsMap(const double* values, std::size_t count)
{
    QuantileEstimator estimator;
    for (std::size_t i = 0; i < count; ++i)
        estimator.add(values[i]);
    return estimator.statisticsMap();
}

QVariantMap standardErrorMap(const QuantileEstimator& estimator)
{
    const double error = estimator.standardError();
    return {{QStringLiteral("MeanStandardError"), std::isfinite(error) ? QVariant(error) : QVariant()}};
}

void addFigures(QVariantMap& map, const QuantileEstimator* estimators, const QString* keys, std::size_t count,
                bool errors)
{
    for (std::size_t i = 0; i < count; ++i)
        map.insert(keys[i], errors ? standardErrorMap(estimators[i]) : estimators[i].statisticsMap());
}

QVariantMap convergenceMap(const QuantileEstimator& totalDaly)
{
    const auto number = [](double v) { return std::isfinite(v) ? QVariant(v) : QVariant(); };
    const double mean = totalDaly.count() > 0 ? totalDaly.mean() : std::nan("");
    const double error = totalDaly.standardError();
    const double relative = error / std::abs(mean);
    const double iterations = static_cast<double>(totalDaly.count());
    // The standard error falls with the square root of the iterations.
    const double needed = std::ceil(iterations * (relative / 0.01) * (relative / 0.01));
    return {
        {QStringLiteral("result"), QStringLiteral("total DALY of the model")},
        {QStringLiteral("iterations"), iterations},
        {QStringLiteral("mean"), number(mean)},
        {QStringLiteral("standardError"), number(error)},
        {QStringLiteral("relativeStandardError"), number(relative)},
        {QStringLiteral("relativeStandardErrorBelowOnePercent"), std::isfinite(relative) ? QVariant(relative < 0.01) : QVariant()},
        {QStringLiteral("iterationsForOnePercent"), number(needed)},
    };
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

#include "fn/stats/Statistics.h"

#include <cmath>

namespace fn::statistics {

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
    return {
        {QStringLiteral("result"), QStringLiteral("total DALY of the model")},
        {QStringLiteral("iterations"), iterations},
        {QStringLiteral("mean"), number(mean)},
        {QStringLiteral("standardError"), number(error)},
        {QStringLiteral("relativeStandardError"), number(relative)},
        {QStringLiteral("relativeStandardErrorBelowOnePercent"),
         std::isfinite(relative) ? QVariant(relative < 0.01) : QVariant()},
    };
}

} // namespace fn::statistics

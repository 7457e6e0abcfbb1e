#include "fn/model/ConvergenceCheck.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QVariantList>

namespace fn {

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
// The two-sided 95 % point of the standard normal distribution.
constexpr double z95 = 1.959963984540054;

QVariant number(double value)
{
    return std::isfinite(value) ? QVariant(value) : QVariant();
}

} // namespace

ConvergenceCheck::Quantile ConvergenceCheck::quantile(const std::vector<double>& sorted, double probability)
{
    Quantile q{probability, notANumber, notANumber, notANumber, notANumber};
    const double n = double(sorted.size());
    if (sorted.empty())
        return q;
    // 1-based ranks throughout.
    const auto at = [&](double rank) { return sorted[std::size_t(rank) - 1]; };
    q.value = at(std::clamp(std::ceil(n * probability), 1.0, n));
    // The number of totals below the quantile is binomial (n, p): the ranks j and k with
    // P(X_(j) <= q <= X_(k)) of about 95 %, by the normal approximation to it.
    const double spread = z95 * std::sqrt(n * probability * (1.0 - probability));
    const double j = std::floor(n * probability - spread);
    const double k = std::ceil(n * probability + spread) + 1.0;
    if (j < 1.0 || k > n)
        return q;
    q.lower = at(j);
    q.upper = at(k);
    q.relativeStandardError = (q.upper - q.lower) / (2.0 * z95) / std::abs(q.value);
    return q;
}

double ConvergenceCheck::iterationsNeeded(std::uint32_t n, double relative)
{
    if (!std::isfinite(relative))
        return notANumber;
    const double scaled = std::ceil(double(n) * (relative / target) * (relative / target));
    return std::max({scaled, double(n), double(minimumIterations)});
}

QVariantMap ConvergenceCheck::report(QVariantMap mean, const std::vector<double>& sorted)
{
    const std::uint32_t n = std::uint32_t(sorted.size());
    const double meanError = mean.value(QStringLiteral("relativeStandardError")).toDouble();
    const bool meanDefined = !mean.value(QStringLiteral("relativeStandardError")).isNull() && std::isfinite(meanError);
    double needed = meanDefined ? iterationsNeeded(n, meanError) : notANumber;
    mean.insert(QStringLiteral("iterationsForOnePercent"), number(needed));

    QVariantList quantiles;
    for (const double probability : {0.025, 0.975}) {
        const Quantile q = quantile(sorted, probability);
        const double forQuantile = iterationsNeeded(n, q.relativeStandardError);
        needed = std::max(needed, forQuantile); // not-a-number as soon as one is
        if (!std::isfinite(forQuantile))
            needed = notANumber;
        QVariantMap entry{
            {QStringLiteral("probability"), probability},
            {QStringLiteral("value"), number(q.value)},
            {QStringLiteral("confidenceIntervalLower"), number(q.lower)},
            {QStringLiteral("confidenceIntervalUpper"), number(q.upper)},
            {QStringLiteral("relativeStandardError"), number(q.relativeStandardError)},
            {QStringLiteral("relativeStandardErrorBelowOnePercent"),
             std::isfinite(q.relativeStandardError) ? QVariant(q.relativeStandardError < target) : QVariant()},
            {QStringLiteral("iterationsForOnePercent"), number(forQuantile)},
        };
        if (!std::isfinite(q.lower))
            entry.insert(
                QStringLiteral("reason"),
                QStringLiteral("too few samples for a confidence interval of this quantile from order statistics"));
        else if (!std::isfinite(q.relativeStandardError))
            entry.insert(QStringLiteral("reason"),
                         QStringLiteral("the quantile is 0, so its relative error is not defined"));
        quantiles << entry;
    }
    mean.insert(QStringLiteral("quantiles"), quantiles);
    mean.insert(QStringLiteral("iterationsNeeded"), number(needed));
    mean.insert(QStringLiteral("enoughIterations"),
                std::isfinite(needed) ? QVariant(needed <= double(n)) : QVariant(false));
    mean.insert(QStringLiteral("minimumIterations"), minimumIterations);
    mean.insert(
        QStringLiteral("note"),
        QStringLiteral("Iterations needed: the most that the mean and the 2.5 % and 97.5 % quantiles of the total "
                       "DALY each need for a relative standard error below 1 %, assuming it falls with the square "
                       "root of the iterations; never fewer than this run's nor fewer than %1, below which the "
                       "estimates of the errors themselves are not to be trusted.")
            .arg(minimumIterations));
    return mean;
}

} // namespace fn

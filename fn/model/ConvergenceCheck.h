#pragma once

#include <cstdint>
#include <vector>

#include <QVariantMap>

namespace fn {

// Whether a run had iterations enough for what its results report about the total DALY: the
// mean, to a relative standard error below 1 %, and the 2.5 % and 97.5 % quantiles that bound
// the 95 % interval, to a Monte-Carlo standard error below 1 % of their value. A quantile's
// standard error comes from the distribution-free 95 % confidence interval between two order
// statistics of the per-iteration totals (its half width over 1.96). Every standard error falls
// with the square root of the iterations, which gives the iterations each figure needs; the
// number asked for is never below the run's own nor below 1 000.
class ConvergenceCheck
{
public:
    static constexpr double target = 0.01;
    static constexpr std::uint32_t minimumIterations = 1000;

    struct Quantile
    {
        double probability;
        double value; // the order statistic at ceil(n p)
        double lower; // the 95 % confidence interval of the quantile; not-a-number when the
        double upper; // iterations are too few for the order statistics it needs
        double relativeStandardError;
    };

    // sorted: the per-iteration totals in ascending order.
    static Quantile quantile(const std::vector<double>& sorted, double probability);
    // The iterations that bring a relative standard error of relative, measured over n
    // iterations, below the target: not-a-number when it is not a finite number.
    static double iterationsNeeded(std::uint32_t n, double relative);

    // The verdict as a map: mean (the run's mean, its standard error and relative standard
    // error) extended by the quantiles, the iterations each figure needs, the iterations needed
    // for all of them and whether the run had them.
    static QVariantMap report(QVariantMap mean, const std::vector<double>& sorted);
};

} // namespace fn

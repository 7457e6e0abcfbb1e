#pragma once

#include <cstdint>
#include <vector>

#include <QVariantList>
#include <QVariantMap>

#include "fn/stats/QuantileEstimator.h"
#include "fn/stats/QuantileEstimatorSet.h"
#include "fn/values/InputFactor.h"
#include "fn/values/Marray.h"

namespace fn::statistics {

// The Monte-Carlo standard error of a statistics map's mean, in the map that stands in its place
// beside the results: {"MeanStandardError": value} (null where it is not a number).
QVariantMap standardErrorMap(const QuantileEstimator& estimator);

// Puts several figures into map under their keys: their statistics maps, or with errors the maps
// of their standard errors.
void addFigures(QVariantMap& map, const QuantileEstimator* estimators, const QString* keys, std::size_t count,
                bool errors);

// How far a run's total DALY has converged: its mean, the standard error of the mean, the
// relative standard error and whether that is below 1 % (ConvergenceCheck adds how many
// iterations would bring it there).
QVariantMap convergenceMap(const QuantileEstimator& totalDaly);

// Statistics of per-iteration values, "Mean" and the 2.5 %, 50 % and 97.5 % quantiles estimated in
// one pass (QuantileEstimator), of a series derived value by value: value(k) for the iterations
// k = 0, 1, ...
template <typename Value>
QVariantMap seriesStatistics(std::uint32_t iterations, Value value)
{
    QuantileEstimator estimator;
    for (std::uint32_t k = 0; k < iterations; ++k)
        estimator.add(value(k));
    return estimator.statisticsMap();
}

// The stratified form of a figure over (age group, sex) strata: "arrayFemale" and "arrayMale"
// list one map per age group with the statistics of that stratum over the iterations, its
// index ("id") and the age group's name; "meta" is an empty list. The lists are filled only
// for two factors and at least two iterations. value(k, i) is the figure of stratum i (in
// scalar-index order) in iteration k; it is asked for in iteration order. ready(k) waits until
// iteration k and perhaps more can be asked for and returns how many can; fewer than k + 1
// abandons the figure (the run did not complete) and gives an empty map. When errors is given,
// it receives the same form with the standard error of each mean (standardErrorMap).
template <typename Value, typename Ready>
QVariantMap stratifiedStatistics(const Marray::Shape& strataShape, const InputFactorPtrs& factors,
                                 std::uint32_t iterations, Value value, Ready ready, QVariantMap* errors = nullptr)
{
    QVariantList lists[2];
    QVariantList errorLists[2];
    if (factors.size() == 2 && strataShape.size() == 2 && iterations >= 2) {
        const std::size_t ages = std::size_t(strataShape[0]);
        const std::size_t sexes = std::size_t(strataShape[1]);
        const std::size_t shownSexes = std::min<std::size_t>(sexes, 2);
        QuantileEstimatorSet cells(ages * shownSexes);
        std::vector<double> values(cells.cellCount());
        std::uint32_t available = 0;
        for (std::uint32_t k = 0; k < iterations; ++k) {
            if (k == available) {
                available = ready(k);
                if (available <= k)
                    return {};
            }
            for (std::size_t a = 0; a < ages; ++a) {
                for (std::size_t s = 0; s < shownSexes; ++s)
                    values[s * ages + a] = value(k, a * sexes + s);
            }
            cells.add(values.data());
        }
        const std::vector<QuantileEstimator> estimators = cells.estimators();
        const QString ageKey = factors[0]->name();
        for (std::size_t s = 0; s < shownSexes; ++s) {
            for (std::size_t a = 0; a < ages; ++a) {
                QVariantMap row = estimators[s * ages + a].statisticsMap();
                row.insert(QStringLiteral("id"), static_cast<uint>(a));
                row.insert(ageKey, factors[0]->levels().value(static_cast<int>(a)));
                lists[s] << row;
                if (errors) {
                    QVariantMap errorRow = standardErrorMap(estimators[s * ages + a]);
                    errorRow.insert(QStringLiteral("id"), static_cast<uint>(a));
                    errorRow.insert(ageKey, factors[0]->levels().value(static_cast<int>(a)));
                    errorLists[s] << errorRow;
                }
            }
        }
    }
    if (errors)
        *errors = {
            {QStringLiteral("meta"), QVariantList()},
            {QStringLiteral("arrayFemale"), errorLists[0]},
            {QStringLiteral("arrayMale"), errorLists[1]},
        };
    return {
        {QStringLiteral("meta"), QVariantList()},
        {QStringLiteral("arrayFemale"), lists[0]},
        {QStringLiteral("arrayMale"), lists[1]},
    };
}

// The same over values that are all there.
template <typename Value>
QVariantMap stratifiedStatistics(const Marray::Shape& strataShape, const InputFactorPtrs& factors,
                                 std::uint32_t iterations, Value value)
{
    return stratifiedStatistics(strataShape, factors, iterations, value,
                                [iterations](std::uint32_t) { return iterations; });
}

} // namespace fn::statistics

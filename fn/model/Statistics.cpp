#include "fn/model/Statistics.h"

#include <vector>

#include <QVariantList>

#include <boost/accumulators/accumulators.hpp>
#include <boost/accumulators/statistics/count.hpp>
#include <boost/accumulators/statistics/extended_p_square.hpp>
#include <boost/accumulators/statistics/stats.hpp>
#include <boost/accumulators/statistics/sum.hpp>

namespace fn::statistics {

namespace {

namespace acc = boost::accumulators;

const std::vector<double>& probabilities()
{
    static const std::vector<double> p = {0.025, 0.5, 0.975};
    return p;
}

QString quantileKey(double probability)
{
    return QStringLiteral("Quantile") + QString::number(probability, 'g', 6);
}

const QString meanKey = QStringLiteral("Mean");

} // namespace

QVariantMap statisticsMap(const double* values, std::size_t count)
{
    QVariantMap map;
    if (count == 0) {
        const QString dash = QStringLiteral("-");
        for (double p : probabilities())
            map.insert(quantileKey(p), dash);
        map.insert(meanKey, dash);
        return map;
    }
    acc::accumulator_set<double, acc::stats<acc::tag::count, acc::tag::sum, acc::tag::extended_p_square>> estimator(
        acc::tag::extended_p_square::probabilities = probabilities());
    for (std::size_t i = 0; i < count; ++i)
        estimator(values[i]);
    const auto quantiles = acc::extended_p_square(estimator);
    std::size_t i = 0;
    for (double height : quantiles)
        map.insert(quantileKey(probabilities()[i++]), height);
    map.insert(meanKey, acc::sum(estimator) / static_cast<double>(acc::count(estimator)));
    return map;
}

QVariantMap statisticsMap(const Marray& values)
{
    return statisticsMap(values.begin(), values.size());
}

QVariantMap stratifiedMap(const Marray& samples, const InputFactorPtrs& factors)
{
    QVariantList female;
    QVariantList male;
    const std::size_t dims = samples.dimension();
    const std::size_t iterations = dims == 0 ? 0 : static_cast<std::size_t>(samples.shape(dims - 1));
    if (factors.size() == 2 && dims == 3 && iterations >= 2) {
        const std::size_t ages = static_cast<std::size_t>(samples.shape(0));
        const std::size_t sexes = static_cast<std::size_t>(samples.shape(1));
        const QString ageKey = factors[0]->name();
        for (std::size_t s = 0; s < sexes && s < 2; ++s) {
            QVariantList& list = s == 0 ? female : male;
            for (std::size_t a = 0; a < ages; ++a) {
                QVariantMap row = statisticsMap(samples.begin() + (a * sexes + s) * iterations, iterations);
                row.insert(QStringLiteral("id"), static_cast<uint>(a));
                row.insert(ageKey, factors[0]->levels().value(static_cast<int>(a)));
                list << row;
            }
        }
    }
    return {
        {QStringLiteral("meta"), QVariantList()},
        {QStringLiteral("arrayFemale"), female},
        {QStringLiteral("arrayMale"), male},
    };
}

Marray scaled(const Marray& values, double factor, double divisor)
{
    Marray result(values);
    for (double& v : result)
        v = v * factor / divisor;
    return result;
}

Marray divided(const Marray& values, const Marray& divisors)
{
    return values / divisors;
}

} // namespace fn::statistics


#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <boost/accumulators/accumulators.hpp>
#include <boost/accumulators/statistics/count.hpp>
#include <boost/accumulators/statistics/extended_p_square.hpp>
#include <boost/accumulators/statistics/stats.hpp>
#include <boost/accumulators/statistics/sum.hpp>

#include "fn/stats/QuantileEstimator.h"

namespace {

namespace acc = boost::accumulators;

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

// Feeds values to the program's estimator and to the library estimator the program's results
// were defined with, the oracle.
void expectIdenticalToLibrary(const std::vector<double>& values, const char* what)
{
    acc::accumulator_set<double, acc::stats<acc::tag::count, acc::tag::sum, acc::tag::extended_p_square>> library(
        acc::tag::extended_p_square::probabilities = std::vector<double>{0.025, 0.5, 0.975});
    fn::QuantileEstimator estimator;
    for (double v : values) {
        library(v);
        estimator.add(v);
    }
    int q = 0;
    for (double height : acc::extended_p_square(library)) {
        EXPECT_TRUE(sameBits(estimator.quantile(q), height))
            << what << ", quantile " << q << ": " << estimator.quantile(q) << " vs " << height;
        ++q;
    }
    EXPECT_EQ(q, 3);
    EXPECT_TRUE(sameBits(estimator.mean(), acc::sum(library) / static_cast<double>(acc::count(library))))
        << what << ": mean " << estimator.mean();
}

} // namespace

TEST(QuantileEstimator, EqualsTheLibraryEstimatorBitForBitOnEveryKindOfStream)
{
    std::mt19937_64 engine(20261206);
    std::uniform_real_distribution<double> uniform(-5.0, 5.0);
    std::lognormal_distribution<double> skewed(2.0, 1.5);
    std::uniform_int_distribution<int> fewLevels(0, 3);
    for (std::size_t n : {1u, 2u, 5u, 8u, 9u, 10u, 11u, 37u, 1000u, 20000u}) {
        std::vector<double> u, s, ties, rising, falling;
        for (std::size_t i = 0; i < n; ++i) {
            u.push_back(uniform(engine));
            s.push_back(skewed(engine));
            ties.push_back(fewLevels(engine) * 0.5);
            rising.push_back(static_cast<double>(i) * 0.1);
            falling.push_back(1.0e6 - static_cast<double>(i));
        }
        expectIdenticalToLibrary(u, "uniform");
        expectIdenticalToLibrary(s, "log-normal");
        expectIdenticalToLibrary(ties, "heavy ties");
        expectIdenticalToLibrary(rising, "increasing");
        expectIdenticalToLibrary(falling, "decreasing");
        expectIdenticalToLibrary(std::vector<double>(n, 7.25), "constant");
    }
    // Not-a-number and infinite values come out of divisions by zero in real runs.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> mixed;
    for (int i = 0; i < 500; ++i)
        mixed.push_back(i % 17 == 0 ? inf : i % 23 == 0 ? -inf : uniform(engine));
    expectIdenticalToLibrary(mixed, "infinities");
    std::vector<double> withNan = mixed;
    withNan[3] = nan;
    withNan[250] = nan;
    expectIdenticalToLibrary(withNan, "not-a-number");
}

TEST(QuantileEstimator, StatisticsMapAndStandardErrorOfTheMean)
{
    fn::QuantileEstimator five;
    for (double v : {1.0, 2.0, 3.0, 4.0, 5.0})
        five.add(v);
    const QVariantMap map = five.statisticsMap();
    EXPECT_EQ(map.value("Mean").toDouble(), 3.0);
    // Markers 2, 4 and 6 of the nine hold the third and fifth value and an unfilled 0.
    EXPECT_EQ(map.value("Quantile0.025").toDouble(), 3.0);
    EXPECT_EQ(map.value("Quantile0.5").toDouble(), 5.0);
    EXPECT_EQ(map.value("Quantile0.975").toDouble(), 0.0);
    EXPECT_EQ(map.size(), 4);

    const QVariantMap none = fn::QuantileEstimator().statisticsMap();
    EXPECT_EQ(none.size(), 4);
    for (const QVariant& value : none)
        EXPECT_EQ(value, QVariant("-"));

    EXPECT_DOUBLE_EQ(five.standardDeviation(), std::sqrt(2.5));
    EXPECT_DOUBLE_EQ(five.standardError(), std::sqrt(2.5) / std::sqrt(5.0));

    // Uniform on [0, 1): standard deviation 1 / sqrt(12); far from zero the shift keeps it exact.
    std::mt19937_64 engine(7);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    fn::QuantileEstimator near, far;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        const double u = uniform(engine);
        near.add(u);
        far.add(1.0e9 + u);
    }
    EXPECT_NEAR(near.standardDeviation(), 1.0 / std::sqrt(12.0), 0.002);
    EXPECT_NEAR(near.standardError(), 1.0 / std::sqrt(12.0 * n), 0.002 / std::sqrt(double(n)));
    EXPECT_NEAR(far.standardDeviation(), near.standardDeviation(), 1e-6);
    EXPECT_TRUE(std::isnan(fn::QuantileEstimator().standardError()));
}

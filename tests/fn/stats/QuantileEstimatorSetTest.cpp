#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

#include "fn/stats/QuantileEstimatorSet.h"

namespace {

using Path = fn::QuantileEstimatorSet::Path;

// The whole state of two estimators, bit for bit: heights, actual and desired positions, count
// and sums.
bool sameState(const fn::QuantileEstimator& a, const fn::QuantileEstimator& b)
{
    static_assert(std::is_trivially_copyable_v<fn::QuantileEstimator>);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

const char* name(Path path)
{
    return path == Path::Avx512 ? "AVX-512" : path == Path::Avx2 ? "AVX2" : path == Path::Sse2 ? "SSE2" : "scalar";
}

} // namespace

// Every cell of the set must end in the state of an estimator fed that cell's values alone, on
// every path the processor runs, whatever the values: the set moves several cells' markers at
// once and would otherwise change the program's quantiles.
TEST(QuantileEstimatorSet, EveryCellEqualsItsOwnEstimatorBitForBitOnEveryPath)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::mt19937_64 engine(20261207);
    std::uniform_real_distribution<double> uniform(-5.0, 5.0);
    std::lognormal_distribution<double> skewed(2.0, 1.5);
    std::uniform_int_distribution<int> fewLevels(0, 3);
    std::uniform_int_distribution<int> rare(0, 999);
    // One kind of stream per cell; thirteen cells, so that the last vector is partly padding.
    const std::vector<std::function<double(std::size_t)>> kinds = {
        [&](std::size_t) { return uniform(engine); },
        [&](std::size_t) { return skewed(engine); },
        [&](std::size_t) { return fewLevels(engine) * 0.5; },
        [&](std::size_t) { return 7.25; },
        [&](std::size_t i) { return static_cast<double>(i) * 0.1; },
        [&](std::size_t i) { return 1.0e6 - static_cast<double>(i); },
        [&](std::size_t) { return uniform(engine) * 1.0e-300; },
        // Differences of heights that overflow to infinity.
        [&](std::size_t) { return uniform(engine) * 3.5e307; },
        // Divisions by zero in real runs give infinities and not-a-number now and then.
        [&](std::size_t) {
            const int r = rare(engine);
            return r == 0 ? inf : r == 1 ? -inf : skewed(engine);
        },
        [&](std::size_t) { return rare(engine) == 0 ? nan : uniform(engine); },
        [&](std::size_t i) { return i == 4000 ? inf : uniform(engine); },
        [&](std::size_t) { return skewed(engine) - skewed(engine); },
        [&](std::size_t) { return 0.0; },
    };
    for (const Path path : {Path::Scalar, Path::Sse2, Path::Avx2, Path::Avx512}) {
        if (!fn::QuantileEstimatorSet::isSupported(path))
            continue;
        // A model whose stratification has a factor without levels has no cells: a fuzzed
        // specification found its set touching memory it did not have.
        fn::QuantileEstimatorSet none(0, path);
        for (int i = 0; i < 12; ++i)
            none.add(nullptr);
        EXPECT_TRUE(none.estimators().empty());
        for (const std::size_t n : {1u, 8u, 9u, 10u, 37u, 100000u}) {
            fn::QuantileEstimatorSet set(kinds.size(), path);
            std::vector<fn::QuantileEstimator> alone(kinds.size());
            std::vector<double> values(kinds.size());
            for (std::size_t i = 0; i < n; ++i) {
                for (std::size_t c = 0; c < kinds.size(); ++c) {
                    values[c] = kinds[c](i);
                    alone[c].add(values[c]);
                }
                set.add(values.data());
            }
            const std::vector<fn::QuantileEstimator> cells = set.estimators();
            ASSERT_EQ(cells.size(), kinds.size());
            for (std::size_t c = 0; c < kinds.size(); ++c)
                EXPECT_TRUE(sameState(cells[c], alone[c]))
                    << name(path) << ", " << n << " values, cell " << c << ": median " << cells[c].quantile(1) << " vs "
                    << alone[c].quantile(1);
        }
    }
}

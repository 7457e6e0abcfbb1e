#include <random>
#include <vector>

#include <benchmark/benchmark.h>
#include <boost/accumulators/accumulators.hpp>
#include <boost/accumulators/statistics/count.hpp>
#include <boost/accumulators/statistics/extended_p_square.hpp>
#include <boost/accumulators/statistics/stats.hpp>
#include <boost/accumulators/statistics/sum.hpp>

#include "fn/stats/QuantileEstimator.h"
#include "fn/stats/QuantileEstimatorSet.h"

// The quantiles of every reported figure are estimated in one pass over the iterations; a
// model at 10 000 iterations feeds about 500 such streams. The program's own estimator
// against the library estimator it reproduces, on the same stream of log-normal values.
namespace {

namespace acc = boost::accumulators;

const std::vector<double>& stream()
{
    static const std::vector<double> values = [] {
        std::mt19937_64 engine(42);
        std::lognormal_distribution<double> distribution(3.0, 0.4);
        std::vector<double> v(10000);
        for (double& x : v)
            x = distribution(engine);
        return v;
    }();
    return values;
}

} // namespace

static void BM_LibraryEstimator(benchmark::State& state)
{
    for (auto _ : state) {
        acc::accumulator_set<double, acc::stats<acc::tag::count, acc::tag::sum, acc::tag::extended_p_square>> estimator(
            acc::tag::extended_p_square::probabilities = std::vector<double>{0.025, 0.5, 0.975});
        for (double v : stream())
            estimator(v);
        benchmark::DoNotOptimize(acc::extended_p_square(estimator));
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(stream().size()));
}
BENCHMARK(BM_LibraryEstimator);

static void BM_QuantileEstimator(benchmark::State& state)
{
    for (auto _ : state) {
        fn::QuantileEstimator estimator;
        for (double v : stream())
            estimator.add(v);
        benchmark::DoNotOptimize(estimator.quantile(1));
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(stream().size()));
}
BENCHMARK(BM_QuantileEstimator);

// The 40 figures of an outcome tree with two outcomes, as one set of cells, on each path: the
// values per second are those of the one estimator above.
static void BM_QuantileEstimatorSet(benchmark::State& state)
{
    const auto path = static_cast<fn::QuantileEstimatorSet::Path>(state.range(0));
    if (!fn::QuantileEstimatorSet::isSupported(path)) {
        state.SkipWithError("the processor lacks the instructions");
        return;
    }
    constexpr std::size_t cells = 40;
    std::vector<double> values(cells);
    for (auto _ : state) {
        fn::QuantileEstimatorSet set(cells, path);
        for (std::size_t k = 0; k < stream().size(); ++k) {
            for (std::size_t c = 0; c < cells; ++c)
                values[c] = stream()[(k + 97 * c) % stream().size()];
            set.add(values.data());
        }
        benchmark::DoNotOptimize(set.estimator(0).quantile(1));
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(stream().size() * cells));
}
BENCHMARK(BM_QuantileEstimatorSet)
    ->Arg(int(fn::QuantileEstimatorSet::Path::Scalar))
    ->Arg(int(fn::QuantileEstimatorSet::Path::Sse2))
    ->Arg(int(fn::QuantileEstimatorSet::Path::Avx2))
    ->Arg(int(fn::QuantileEstimatorSet::Path::Avx512));

BENCHMARK_MAIN();

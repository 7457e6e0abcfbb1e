#include <cstdint>
#include <cmath>
#include <cstring>

#include <benchmark/benchmark.h>
#include <boost/random/gamma_distribution.hpp>
#include <boost/random/mersenne_twister.hpp>

#include "fn/values/random/GammaSampler.h"

// Gamma draws of shape above 1 (RandGamma, and RandBeta and RandPert through it): the library's
// distribution against GammaSampler, which must draw the same numbers from the same words.
// BM_GammaSamplerEqualsLibrary checks that over hundreds of millions of draws (62 shapes from
// just above 1 to 1e12) and fails on the first difference in a draw or in the engine's state.
namespace {

double shape(int i)
{
    // 1 + 1e-7 .. 1e12, denser near 1 where most words are rejected at once.
    return 1.0 + 1e-7 * std::pow(1e19, i / 61.0);
}

} // namespace

static void BM_LibraryGamma(benchmark::State& state)
{
    boost::random::mt19937 engine(42);
    boost::random::gamma_distribution<double> gamma(double(state.range(0)) / 10.0, 1.0);
    for (auto _ : state)
        benchmark::DoNotOptimize(gamma(engine));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LibraryGamma)->Arg(28)->Arg(32)->Arg(150);

static void BM_GammaSampler(benchmark::State& state)
{
    boost::random::mt19937 engine(42);
    const fn::GammaSampler sampler(double(state.range(0)) / 10.0);
    for (auto _ : state)
        benchmark::DoNotOptimize(sampler(engine));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GammaSampler)->Arg(28)->Arg(32)->Arg(150);

static void BM_GammaSamplerEqualsLibrary(benchmark::State& state)
{
    constexpr long drawsPerShape = 2000000;
    long draws = 0;
    for (auto _ : state) {
        for (int i = 0; i < 62; ++i) {
            boost::random::mt19937 engine(std::uint32_t(1000 + i));
            boost::random::mt19937 reference(std::uint32_t(1000 + i));
            boost::random::gamma_distribution<double> gamma(shape(i), 1.0);
            const fn::GammaSampler sampler(shape(i));
            for (long k = 0; k < drawsPerShape; ++k, ++draws) {
                const double expected = gamma(reference);
                const double drawn = sampler(engine);
                if (std::memcmp(&expected, &drawn, sizeof drawn) != 0) {
                    state.SkipWithError("a draw differs from the library's");
                    return;
                }
            }
            if (!(engine == reference)) {
                state.SkipWithError("the engines differ after the draws");
                return;
            }
        }
    }
    state.counters["draws"] = double(draws);
}
BENCHMARK(BM_GammaSamplerEqualsLibrary)->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();

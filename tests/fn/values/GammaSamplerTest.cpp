#include <cmath>
#include <cstdint>
#include <cstring>

#include <boost/random/gamma_distribution.hpp>
#include <boost/random/mersenne_twister.hpp>
#include <gtest/gtest.h>

#include "fn/values/random/GammaSampler.h"
#include "fn/values/random/RandomFunctions.h"
#include "fn/values/random/ScopedRandomEngine.h"

namespace {

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The library's proposal for word k, written as the library writes it.
double libraryProposal(double shape, std::uint32_t k)
{
    const double y = std::tan(3.14159265358979323846 * (static_cast<double>(k) * (1.0 / 4294967296.0)));
    return std::sqrt(2.0 * shape - 1.0) * y + shape - 1.0;
}

} // namespace

// Any difference would change every results document. The shapes, below, at and above 1, change
// in blocks so that the per-shape cache is filled, reused and overwritten.
TEST(GammaSampler, DrawsEqualTheLibraryGammaBitForBitWithTheSameEngineWords)
{
    const double shapes[] = {1e-7, 0.3,  0.999, 1.0,  1.0 + 1e-12, 1.0000001, 1.001, 1.25,  1.5, 2.0, 2.5, 3.7,
                             5.0,  9.99, 17.0,  42.5, 123.4,       1e3,       1e4,   2.5e5, 1e6, 1e9, 1e12};
    const double rates[] = {1.0, 0.3, 1e4};
    boost::random::mt19937 engine(20261207);
    boost::random::mt19937 reference(20261207);
    const fn::ScopedRandomEngine scoped(engine);
    long draws = 0;
    for (int round = 0; round < 8; ++round) {
        for (const double shape : shapes) {
            const double rate = rates[(round + draws) % 3];
            boost::random::gamma_distribution<double> gamma(shape, 1.0 / rate);
            for (int i = 0; i < 16000; ++i, ++draws) {
                const double expected = gamma(reference);
                const double drawn = fn::randGamma(shape, rate);
                ASSERT_TRUE(sameBits(drawn, expected))
                    << "shape " << shape << ", rate " << rate << ", draw " << i << ": " << drawn << " vs " << expected;
            }
        }
    }
    // More shapes than the per-thread table holds, each met several times.
    for (int pass = 0; pass < 3; ++pass) {
        for (int i = 1; i <= 400; ++i) {
            const double shape = 1.0 + i * 0.0173;
            boost::random::gamma_distribution<double> gamma(shape, 1.0);
            for (int k = 0; k < 5; ++k, ++draws)
                ASSERT_TRUE(sameBits(fn::randGamma(shape, 1.0), gamma(reference))) << "shape " << shape;
        }
    }
    // Beta draws are two gamma draws each.
    for (const double b : {0.5, 1.0, 3.0}) {
        boost::random::gamma_distribution<double> gammaA(2.5, 1.0);
        boost::random::gamma_distribution<double> gammaB(b, 1.0);
        for (int i = 0; i < 20000; ++i) {
            const double x = gammaA(reference);
            const double y = gammaB(reference);
            ASSERT_TRUE(sameBits(fn::randBeta(2.5, b), x / (x + y))) << "beta(2.5, " << b << "), draw " << i;
        }
    }
    EXPECT_TRUE(engine == reference);
    EXPECT_GT(draws, 2000000);
}

// The rejected words are exactly those past 2^31 whose proposal is not positive: checked word by
// word around both ends of the range.
TEST(GammaSampler, RejectedWordsAreThoseWithANonPositiveProposal)
{
    constexpr std::uint64_t half = std::uint64_t(1) << 31;
    constexpr std::uint64_t all = std::uint64_t(1) << 32;
    for (const double shape : {1.0 + 1e-12, 1.0000001, 1.001, 1.5, 2.0, 37.0, 1e6, 1e12}) {
        const fn::GammaSampler sampler(shape);
        EXPECT_EQ(sampler.firstRejected(), half + 1);
        EXPECT_GE(sampler.endRejected(), sampler.firstRejected()) << shape;
        EXPECT_LE(sampler.endRejected(), all) << shape;
        for (const std::uint64_t end : {sampler.firstRejected(), sampler.endRejected()}) {
            for (std::uint64_t k = end > 20000 ? end - 20000 : 0; k < std::min(end + 20000, all); ++k) {
                const bool rejected = k >= sampler.firstRejected() && k < sampler.endRejected();
                ASSERT_EQ(libraryProposal(shape, static_cast<std::uint32_t>(k)) <= 0.0, rejected)
                    << "shape " << shape << ", word " << k;
            }
        }
    }
}

#include <cmath>

#include <boost/random/mersenne_twister.hpp>
#include <gtest/gtest.h>

#include "fn/values/DataValue.h"
#include "fn/values/random/RandomFunctions.h"

TEST(RandomFunctions, UniformDrawsAreRawEngineOutputsOverTwoTo32)
{
    boost::random::mt19937 reference(7);
    fn::seedIfNonZero(7);
    fn::DataValue uniform("RandUniform(0, 1)");
    for (int i = 0; i < 50; ++i) {
        const double expected = static_cast<double>(reference()) / 4294967296.0;
        EXPECT_EQ(uniform.evaluate(), expected) << "draw " << i;
    }

    // The same seed reproduces the same sequence.
    fn::seedIfNonZero(7);
    boost::random::mt19937 again(7);
    EXPECT_EQ(fn::randUniform(2.0, 4.0), 2.0 + 2.0 * (static_cast<double>(again()) / 4294967296.0));
}

TEST(RandomFunctions, SeedZeroLeavesTheEngineAlone)
{
    fn::seedIfNonZero(11);
    const boost::random::mt19937 before = fn::randomEngine();
    fn::seedIfNonZero(0);
    EXPECT_TRUE(before == fn::randomEngine());
    fn::reseed(11);
    boost::random::mt19937 seeded(11);
    EXPECT_TRUE(seeded == fn::randomEngine());
}

TEST(RandomFunctions, ConstantArgumentsStillDrawAnew)
{
    fn::seedIfNonZero(3);
    for (const char* formula : {"RandUniform(0, 1)", "RandPert(0, 0.5, 1)", "RandBeta(2, 3)", "RandGamma(2, 1)",
                                "RandLogNormal(0, 1)", "RandNormal(5, 1)", "RandUniform(0,1) * 2 + 1"}) {
        fn::DataValue value{QString::fromLatin1(formula)};
        const double first = value.evaluate();
        const double second = value.evaluate();
        EXPECT_NE(first, second) << formula;
    }
}

TEST(RandomFunctions, DegenerateAndBoundaryArguments)
{
    fn::seedIfNonZero(5);
    fn::DataValue fixed("RandUniform(2, 2)");
    fn::DataValue negativeNormal("RandNormal(-5, 0.1)");
    fn::DataValue pointPert("RandPert(1, 1, 1)");
    fn::DataValue reversed("RandUniform(3, 1)");
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(fixed.evaluate(), 2.0);
        EXPECT_EQ(negativeNormal.evaluate(), 0.0);
        EXPECT_EQ(pointPert.evaluate(), 1.0);
        const double v = reversed.evaluate();
        EXPECT_GT(v, 1.0);
        EXPECT_LE(v, 3.0);
    }
    // Non-positive gamma shapes cannot be drawn; they give not-a-number rather than abort.
    EXPECT_TRUE(std::isnan(fn::randBeta(0.0, 1.0)));
    EXPECT_TRUE(std::isnan(fn::randGamma(-1.0, 1.0)));
}

TEST(RandomFunctions, DistributionMoments)
{
    fn::seedIfNonZero(2024);
    const int n = 40000;
    double betaSum = 0.0, betaMin = 1.0, betaMax = 0.0, gammaSum = 0.0, normalSum = 0.0, logSum = 0.0;
    for (int i = 0; i < n; ++i) {
        const double b = fn::randBeta(1.0, 1.0);
        betaSum += b;
        betaMin = std::min(betaMin, b);
        betaMax = std::max(betaMax, b);
        gammaSum += fn::randGamma(3.0, 2.0); // mean shape / rate = 1.5
        normalSum += fn::randNormal(10.0, 2.0);
        logSum += std::log(fn::randLogNormal(1.0, 0.5));
    }
    EXPECT_NEAR(betaSum / n, 0.5, 0.01);
    EXPECT_GE(betaMin, 0.0);
    EXPECT_LT(betaMax, 1.0);
    EXPECT_NEAR(gammaSum / n, 1.5, 0.03);
    EXPECT_NEAR(normalSum / n, 10.0, 0.05);
    EXPECT_NEAR(logSum / n, 1.0, 0.02);
}

TEST(RandomFunctions, PertHasTheMeanAndVarianceOfItsModeAndRange)
{
    // RandPert(min, mode, max) on [a, b] with mode m: mean (a + 4m + b) / 6 and, as
    // alpha + beta = 6, variance (b - a)^2 alpha beta / 252, with alpha = 1 + 4 (m - a) / (b - a)
    // and beta = 1 + 4 (b - m) / (b - a). The skewed rows tell the two shapes apart.
    const struct
    {
        const char* formula;
        double a, m, b;
    } rows[] = {
        {"RandPert(0, 0.5, 1)", 0, 0.5, 1},
        {"RandPert(0, 1, 10)", 0, 1, 10},
        {"RandPert(2, 9, 10)", 2, 9, 10},
        {"RandPert(-3, -2.5, 1)", -3, -2.5, 1},
    };
    fn::seedIfNonZero(2024);
    const int n = 40000;
    for (const auto& row : rows) {
        const double alpha = 1 + 4 * (row.m - row.a) / (row.b - row.a);
        const double beta = 1 + 4 * (row.b - row.m) / (row.b - row.a);
        const double mean = (row.a + 4 * row.m + row.b) / 6;
        const double variance = (row.b - row.a) * (row.b - row.a) * alpha * beta / 252;
        fn::DataValue pert{QString::fromLatin1(row.formula)};
        double sum = 0.0, squares = 0.0;
        for (int i = 0; i < n; ++i) {
            const double x = pert.evaluate() - mean;
            sum += x;
            squares += x * x;
        }
        // About four standard errors of each estimate.
        EXPECT_NEAR(sum / n, 0.0, 4 * std::sqrt(variance / n)) << row.formula;
        EXPECT_NEAR(squares / n - (sum / n) * (sum / n), variance, 0.04 * variance) << row.formula;
    }
}

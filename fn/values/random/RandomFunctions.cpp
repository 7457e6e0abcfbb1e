#include "fn/values/random/RandomFunctions.h"

#include <cmath>
#include <ctime>
#include <limits>
#include <mutex>

#include <boost/random/gamma_distribution.hpp>
#include <boost/random/normal_distribution.hpp>
#include <QStringList>
#include <muParser.h>

#include "fn/values/random/GammaSampler.h"

namespace fn {

namespace {

constexpr double twoTo32 = 4294967296.0;

// Boost's gamma distribution asserts a positive shape; formulas are not validated, so a
// degenerate shape yields not-a-number instead of aborting the program.
bool isValidShape(double shape)
{
    return shape > 0.0 && std::isfinite(shape);
}

// A draw of Boost's gamma distribution: its own algorithm for shapes up to 1, the same draw
// by GammaSampler above.
double drawGamma(double shape, double scale)
{
    if (shape > 1.0)
        return GammaSampler::forShape(shape)(randomEngine()) * scale;
    boost::random::gamma_distribution<double> distribution(shape, scale);
    return distribution(randomEngine());
}

thread_local boost::random::mt19937* t_threadEngine = nullptr;

} // namespace

boost::random::mt19937& processRandomEngine()
{
    static boost::random::mt19937 engine;
    return engine;
}

boost::random::mt19937& randomEngine()
{
    return t_threadEngine ? *t_threadEngine : processRandomEngine();
}

boost::random::mt19937* setThreadRandomEngine(boost::random::mt19937* engine)
{
    boost::random::mt19937* previous = t_threadEngine;
    t_threadEngine = engine;
    return previous;
}

void seedIfNonZero(std::uint32_t seed)
{
    if (seed != 0)
        randomEngine().seed(seed);
}

void reseed(std::uint32_t seed)
{
    if (seed == 0)
        seed = static_cast<std::uint32_t>(std::time(nullptr));
    randomEngine().seed(seed);
}

double randUniform(double a, double b)
{
    const double u = static_cast<double>(randomEngine()()) / twoTo32;
    return a + (b - a) * u;
}

double randBeta(double a, double b)
{
    if (!isValidShape(a) || !isValidShape(b))
        return std::numeric_limits<double>::quiet_NaN();
    const double x = drawGamma(a, 1.0);
    const double y = drawGamma(b, 1.0);
    return x / (x + y);
}

double randPert(double min, double mode, double max)
{
    if (max == min)
        return min;
    const double alpha = 1.0 + 4.0 * (mode - min) / (max - min);
    const double beta = 1.0 + 4.0 * (max - mode) / (max - min);
    return min + (max - min) * randBeta(alpha, beta);
}

double randGamma(double shape, double rate)
{
    const double scale = 1.0 / rate;
    if (!isValidShape(shape) || !isValidShape(scale))
        return std::numeric_limits<double>::quiet_NaN();
    return drawGamma(shape, scale);
}

double randLogNormal(double mu, double sigma)
{
    boost::random::normal_distribution<double> normal(0.0, 1.0);
    return std::exp(mu + sigma * normal(randomEngine()));
}

double randNormal(double mu, double sigma)
{
    boost::random::normal_distribution<double> normal(0.0, 1.0);
    return std::max(0.0, mu + sigma * normal(randomEngine()));
}

namespace {

// The names of the functions of a RandomFunctionSet, in the order of its members.
constexpr const char* randomFunctionNames[] = {"RandUniform", "RandPert",      "RandBeta",
                                               "RandGamma",   "RandLogNormal", "RandNormal"};

} // namespace

QLatin1String randomFunctionName(RandomFunction function)
{
    return QLatin1String(randomFunctionNames[static_cast<int>(function)]);
}

void defineRandomFunctions(mu::Parser& parser, const RandomFunctionSet& set)
{
    constexpr bool optimisable = false;
    parser.DefineFun(randomFunctionNames[0], set.uniform, optimisable);
    parser.DefineFun(randomFunctionNames[1], set.pert, optimisable);
    parser.DefineFun(randomFunctionNames[2], set.beta, optimisable);
    parser.DefineFun(randomFunctionNames[3], set.gamma, optimisable);
    parser.DefineFun(randomFunctionNames[4], set.logNormal, optimisable);
    parser.DefineFun(randomFunctionNames[5], set.normal, optimisable);
}

void defineRandomFunctions(mu::Parser& parser)
{
    defineRandomFunctions(parser, {randUniform, randPert, randBeta, randGamma, randLogNormal, randNormal});
}

bool callsRandomFunction(const QString& formula)
{
    static const QStringList names = [] {
        QStringList list;
        for (const char* name : randomFunctionNames)
            list << QLatin1String(name);
        return list;
    }();
    const auto isNameCharacter = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
    // The names that stand on their own in the formula.
    for (int i = 0; i < formula.size();) {
        if (!isNameCharacter(formula[i])) {
            ++i;
            continue;
        }
        int end = i;
        while (end < formula.size() && isNameCharacter(formula[end]))
            ++end;
        if (names.contains(formula.mid(i, end - i)))
            return true;
        i = end;
    }
    return false;
}

void configureFormulaParser(mu::Parser& parser)
{
    parser.SetArgSep(',');
    // The formula library keeps the decimal separator in one locale object for the whole
    // process, which every parser reads while it compiles. Setting it again for each parser
    // would rewrite that object under models being compiled on other threads; it is set once.
    static std::once_flag decimalSeparatorSet;
    std::call_once(decimalSeparatorSet, [&parser] { parser.SetDecSep('.'); });
    defineRandomFunctions(parser);
}

} // namespace fn

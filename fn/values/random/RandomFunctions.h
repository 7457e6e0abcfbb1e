#pragma once

#include <cstdint>

#include <QString>

#include <boost/random/mersenne_twister.hpp>

namespace mu {
class Parser;
}

namespace fn {

// The engine behind every random function of the formulas evaluated on the calling thread:
// the process-wide engine, unless a ScopedRandomEngine gave the thread one of its own.
boost::random::mt19937& randomEngine();
// The one process-wide engine. It starts in the state of the default seed 5489.
boost::random::mt19937& processRandomEngine();

// Makes the formulas evaluated on the calling thread draw from engine (the process engine
// again when engine is null); returns the engine the thread drew from before. See
// ScopedRandomEngine.
boost::random::mt19937* setThreadRandomEngine(boost::random::mt19937* engine);

// Re-initialises the engine with seed unless seed is 0.
void seedIfNonZero(std::uint32_t seed);
// Re-initialises the engine with seed, or with the current time in seconds when seed is 0.
void reseed(std::uint32_t seed);

// One implementation of each random function of the formulas, as the parser calls them: the
// drawing ones below, or others that judge their arguments instead of drawing.
struct RandomFunctionSet
{
    double (*uniform)(double, double);
    double (*pert)(double, double, double);
    double (*beta)(double, double);
    double (*gamma)(double, double);
    double (*logNormal)(double, double);
    double (*normal)(double, double);
};

// The random functions, in the order of RandomFunctionSet's members.
enum class RandomFunction { Uniform, Pert, Beta, Gamma, LogNormal, Normal };
// The name formulas call function by: "RandUniform", "RandPert", ...
QLatin1String randomFunctionName(RandomFunction function);

// Adds the set to the parser under the names formulas call them by (RandUniform, RandPert,
// RandBeta, RandGamma, RandLogNormal and RandNormal), all marked as not optimisable so that
// constant arguments never freeze a call.
void defineRandomFunctions(mu::Parser& parser, const RandomFunctionSet& set);
// The same with the functions that draw.
void defineRandomFunctions(mu::Parser& parser);

// Whether formula calls one of the random functions, that is draws anew on every evaluation.
// Formulas name nothing but functions and constants, so a random function's name standing on
// its own is a call of it.
bool callsRandomFunction(const QString& formula);

// Sets the separators independent of the user's locale and registers the random functions:
// the one configuration of every formula parser of the program.
void configureFormulaParser(mu::Parser& parser);

double randUniform(double a, double b);
double randPert(double min, double mode, double max);
double randBeta(double a, double b);
double randGamma(double shape, double rate);
double randLogNormal(double mu, double sigma);
double randNormal(double mu, double sigma);

} // namespace fn

#pragma once

#include <cstdint>

#include <boost/random/mersenne_twister.hpp>

namespace mu {
class Parser;
}

namespace fn {

// The one process-wide engine behind every random function of every formula. It starts
// in the state of the default seed 5489.
boost::random::mt19937& randomEngine();

// Re-initialises the engine with seed unless seed is 0.
void seedIfNonZero(std::uint32_t seed);
// Re-initialises the engine with seed, or with the current time in seconds when seed is 0.
void reseed(std::uint32_t seed);

// Adds RandUniform, RandPert, RandBeta, RandGamma, RandLogNormal and RandNormal to the
// parser, all marked as not optimisable so that constant arguments never freeze a draw.
void defineRandomFunctions(mu::Parser& parser);

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

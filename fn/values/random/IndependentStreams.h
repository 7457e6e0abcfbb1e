#pragma once

#include <cstdint>

#include <QString>

#include <boost/random/mersenne_twister.hpp>

namespace fn {

// The engine a model starts from when every (country, disease) pair of a run draws from a
// stream of its own: its state follows from the seed and the two ids alone, so a model's draws
// neither line up with those of the other models nor depend on which models run beside it.
class IndependentStreams
{
public:
    static boost::random::mt19937 engine(std::uint32_t seed, const QString& country, const QString& disease);
};

} // namespace fn

#pragma once

#include <boost/random/mersenne_twister.hpp>

namespace fn {

// Makes the formulas evaluated on the calling thread draw from an engine of their own for as
// long as it lives. Models run concurrently each draw from such an engine, seeded as the
// process engine would have been before that model, so that every model gets the same
// sequence of draws as in a run of one model after the other.
class ScopedRandomEngine
{
public:
    explicit ScopedRandomEngine(boost::random::mt19937& engine);
    ~ScopedRandomEngine();
    ScopedRandomEngine(const ScopedRandomEngine&) = delete;
    ScopedRandomEngine& operator=(const ScopedRandomEngine&) = delete;

private:
    boost::random::mt19937* m_previous;
};

} // namespace fn

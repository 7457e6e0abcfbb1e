#pragma once

#include <cstdint>

#include <boost/random/mersenne_twister.hpp>

namespace fn {

// Draws of Boost's gamma distribution (scale 1) for a shape above 1, equal to that library's
// draws to the last bit and taking the same words from the engine, only faster.
//
// The library's proposal x = sqrt(2 shape - 1) tan(pi u) + shape - 1, with u = k / 2^32 for the
// engine's word k, is rejected when x <= 0. For the words k above 2^31, tan(pi u) is negative
// and rises with k by far more than the rounding error of tan between neighbouring words, and
// every later operation rounds monotonically, so the rejected words form one range starting at
// 2^31 + 1. It is found once per shape by bisection over the very expression of the draw; a
// word inside it is rejected without calling tan.
class GammaSampler
{
public:
    explicit GammaSampler(double shape);

    double shape() const { return m_shape; }
    // The words k with first <= k < end are rejected at once.
    std::uint64_t firstRejected() const { return m_firstRejected; }
    std::uint64_t endRejected() const { return m_endRejected; }

    double operator()(boost::random::mt19937& engine) const;

    // The sampler of shape for the calling thread, from a small cache keyed by the exact shape.
    static const GammaSampler& forShape(double shape);

private:
    // The library's proposal for word k, and the tangent it is made of.
    double proposal(std::uint32_t k, double& tangent) const;

    double m_shape;
    double m_shapeLessOne;
    double m_root; // sqrt(2 shape - 1)
    std::uint64_t m_firstRejected;
    std::uint64_t m_endRejected;
};

} // namespace fn

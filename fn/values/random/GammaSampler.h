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
    // The sampler of shape that tells no word apart: the library's draw as it is.
    static GammaSampler withoutEarlyRejection(double shape);

    double shape() const { return m_shape; }
    // The words k with first <= k < end are rejected at once.
    std::uint64_t firstRejected() const { return m_firstRejected; }
    std::uint64_t endRejected() const { return m_endRejected; }

    double operator()(boost::random::mt19937& engine) const;

    // The sampler of shape for the calling thread. The rejected range of a shape is found when it
    // is met the second time (a shape drawn from once would not repay the bisection) and kept in
    // a per-thread table keyed by the exact shape, emptied when half full.
    static const GammaSampler& forShape(double shape);

private:
    class Table;

    constexpr GammaSampler() = default;
    void findRejectedRange();
    // The library's proposal for word k, and the tangent it is made of.
    double proposal(std::uint32_t k, double& tangent) const;

    double m_shape = 0.0;
    double m_shapeLessOne = 0.0;
    double m_root = 0.0; // sqrt(2 shape - 1)
    std::uint64_t m_firstRejected = 0;
    std::uint64_t m_endRejected = 0;
};

} // namespace fn

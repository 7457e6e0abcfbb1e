#pragma once

// The kernel that moves the markers of a QuantileEstimatorSet several cells at a time, for the
// translation units that compile it for one instruction set each. Private to those units; every
// function here is inlined and has internal linkage, so no code built for one instruction set
// can stand in for another's.

#include <cstddef>
#include <cstring>

#include "fn/stats/QuantileEstimatorSet.h"

namespace fn {

namespace {

constexpr std::size_t markerCount = QuantileEstimator::markerCount;

// Vectors of doubles and the masks their comparisons give, in GCC's generic vector notation;
// each kernel below is compiled for its instruction set by the function it is inlined into.
// The helpers below are always inlined, so no vector ever crosses a call: the ABI note on
// returning 32-byte vectors from functions compiled without AVX does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

typedef double Double2 __attribute__((vector_size(16)));
typedef double Double4 __attribute__((vector_size(32)));

template <typename Vector>
struct Lanes
{
    using Mask = decltype(Vector{} < Vector{});
    static constexpr std::size_t count = sizeof(Vector) / sizeof(double);
};

template <typename Vector>
inline __attribute__((always_inline)) Vector load(const double* p)
{
    Vector v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename Vector>
inline __attribute__((always_inline)) void store(double* p, const Vector& v)
{
    std::memcpy(p, &v, sizeof v);
}

template <typename Vector>
inline __attribute__((always_inline)) Vector broadcast(double x)
{
    Vector v;
    for (std::size_t j = 0; j < Lanes<Vector>::count; ++j)
        v[j] = x;
    return v;
}

// Whether any or every lane of a mask is set: a plain loop over the lanes, which
// every compiler takes (gcc's shuffle builtin is unknown to clang).
template <typename Mask>
inline __attribute__((always_inline)) bool any(const Mask& m)
{
    constexpr std::size_t count = sizeof m / sizeof m[0];
    for (std::size_t j = 0; j < count; ++j) {
        if (m[j] != 0)
            return true;
    }
    return false;
}

template <typename Mask>
inline __attribute__((always_inline)) bool all(const Mask& m)
{
    constexpr std::size_t count = sizeof m / sizeof m[0];
    for (std::size_t j = 0; j < count; ++j) {
        if (m[j] == 0)
            return false;
    }
    return true;
}

// Whether every lane is finite, that is neither infinite nor not-a-number.
template <typename Vector>
inline __attribute__((always_inline)) typename Lanes<Vector>::Mask finite(const Vector& v)
{
    return (v - v) == broadcast<Vector>(0.0);
}

// a where the mask is set, b elsewhere.
template <typename Mask, typename Vector>
inline __attribute__((always_inline)) Vector select(const Mask& m, const Vector& a, const Vector& b)
{
    return m ? a : b;
}

template <typename Mask>
inline __attribute__((always_inline)) bool lane(const Mask& m, std::size_t j)
{
    return m[j] != 0;
}

} // namespace

// QuantileEstimator::moveMarkers for Lanes<Vector>::count cells at a time. Where every height
// and the value of a cell are finite, its heights are ordered (sorted at the ninth value; a
// parabolic step is kept only strictly between the neighbours, and a linear one, h + (H - h) / dp
// with dp >= 2, rounds to at most H), so the markers above the value are those whose height
// exceeds it, and the library's binary search becomes one comparison per marker. The rest is QuantileEstimator's
// arithmetic lane by lane, each moving marker taking the branch its own lane takes.
template <typename Vector>
inline __attribute__((always_inline)) void QuantileEstimatorSet::moveMarkers(QuantileEstimatorSet& set)
{
    using Mask = typename Lanes<Vector>::Mask;
    constexpr std::size_t width = Lanes<Vector>::count;
    constexpr std::size_t last = markerCount - 1;
    const Vector zero = broadcast<Vector>(0.0);
    const Vector one = broadcast<Vector>(1.0);
    const Vector minusOne = broadcast<Vector>(-1.0);
    for (std::size_t c = 0; c < set.m_cellCount; c += width) {
        const Vector value = load<Vector>(&set.m_values[c]);
        Vector h[markerCount];
        Vector n[markerCount];
        Mask ordinary = finite(value);
#pragma GCC unroll 9
        for (std::size_t m = 0; m < markerCount; ++m) {
            h[m] = load<Vector>(set.heights(m) + c);
            ordinary &= finite(h[m]);
        }
        if (!any(ordinary)) {
            for (std::size_t j = c; j < c + width && j < set.m_cellCount; ++j)
                set.moveMarkersOfCell(j);
            continue;
        }
#pragma GCC unroll 9
        for (std::size_t m = 0; m < markerCount; ++m)
            n[m] = load<Vector>(set.positions(m) + c);
#pragma GCC unroll 9
        for (std::size_t m = 1; m < last; ++m)
            n[m] += select(value < h[m], one, zero);
        n[last] += one;
        h[0] = select(value < h[0], value, h[0]);
        h[last] = select(value >= h[last], value, h[last]);

#pragma GCC unroll 9
        for (std::size_t i = 1; i < last; ++i) {
            const Vector d = broadcast<Vector>(set.m_desiredPositions[i]) - n[i];
            const Vector dp = n[i + 1] - n[i];
            const Vector dm = n[i - 1] - n[i];
            const Mask moves = ((d >= one) & (dp > one)) | ((d <= minusOne) & (dm < minusOne));
            if (!any(moves))
                continue;
            const Vector hp = (h[i + 1] - h[i]) / dp;
            const Vector hm = (h[i - 1] - h[i]) / dm;
            const Vector sign = select(d > zero, one, minusOne);
            const Vector parabolic = h[i] + sign / (dp - dm) * ((sign - dm) * hp + (dp - sign) * hm);
            const Vector linear = select(d > zero, h[i] + hp, select(d < zero, h[i] - hm, h[i]));
            const Vector moved = select((h[i - 1] < parabolic) & (parabolic < h[i + 1]), parabolic, linear);
            h[i] = select(moves, moved, h[i]);
            n[i] = select(moves, n[i] + sign, n[i]);
        }
        // The other lanes keep their markers here and are moved one by one below.
        const bool every = all(ordinary);
#pragma GCC unroll 9
        for (std::size_t m = 0; m < markerCount; ++m) {
            if (!every) {
                h[m] = select(ordinary, h[m], load<Vector>(set.heights(m) + c));
                n[m] = select(ordinary, n[m], load<Vector>(set.positions(m) + c));
            }
            store(set.heights(m) + c, h[m]);
            store(set.positions(m) + c, n[m]);
        }
        if (!every) {
            for (std::size_t j = 0; j < width && c + j < set.m_cellCount; ++j)
                if (!lane(ordinary, j))
                    set.moveMarkersOfCell(c + j);
        }
    }
}

} // namespace fn

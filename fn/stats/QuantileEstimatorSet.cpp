#include "fn/stats/QuantileEstimatorSet.h"

#include <algorithm>
#include <cstring>

// Compiled without floating-point contraction (see fn/CMakeLists.txt): a fused multiply-add
// would round differently from QuantileEstimator.

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

// Whether any or every lane of a mask is set: a plain loop over the two or four lanes, which
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
            for (std::size_t j = c; j < std::min(c + width, set.m_cellCount); ++j)
                set.moveMarkersOfCell(j);
            continue;
        }
#pragma GCC unroll 9
        for (std::size_t m = 0; m < markerCount; ++m)
            n[m] = load<Vector>(set.positions(m) + c);
#pragma GCC unroll 9
        for (std::size_t m = 1; m < last; ++m)
            n[m] += value < h[m] ? one : zero;
        n[last] += one;
        h[0] = value < h[0] ? value : h[0];
        h[last] = value >= h[last] ? value : h[last];

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
            const Vector sign = d > zero ? one : minusOne;
            const Vector parabolic = h[i] + sign / (dp - dm) * ((sign - dm) * hp + (dp - sign) * hm);
            const Vector linear = d > zero ? h[i] + hp : d < zero ? h[i] - hm : h[i];
            const Vector moved = ((h[i - 1] < parabolic) & (parabolic < h[i + 1])) ? parabolic : linear;
            h[i] = moves ? moved : h[i];
            n[i] = moves ? n[i] + sign : n[i];
        }
        // The other lanes keep their markers here and are moved one by one below.
        const bool every = all(ordinary);
#pragma GCC unroll 9
        for (std::size_t m = 0; m < markerCount; ++m) {
            if (!every) {
                h[m] = ordinary ? h[m] : load<Vector>(set.heights(m) + c);
                n[m] = ordinary ? n[m] : load<Vector>(set.positions(m) + c);
            }
            store(set.heights(m) + c, h[m]);
            store(set.positions(m) + c, n[m]);
        }
        if (!every) {
            for (std::size_t j = 0; j < width && c + j < set.m_cellCount; ++j)
                if (!ordinary[j])
                    set.moveMarkersOfCell(c + j);
        }
    }
}

void QuantileEstimatorSet::moveMarkersScalar(QuantileEstimatorSet& set)
{
    for (std::size_t c = 0; c < set.m_cellCount; ++c)
        set.moveMarkersOfCell(c);
}

void QuantileEstimatorSet::moveMarkersSse2(QuantileEstimatorSet& set)
{
    moveMarkers<Double2>(set);
}

__attribute__((target("avx2"))) void QuantileEstimatorSet::moveMarkersAvx2(QuantileEstimatorSet& set)
{
    moveMarkers<Double4>(set);
}

QuantileEstimatorSet::Path QuantileEstimatorSet::fastestPath()
{
    return isSupported(Path::Avx2) ? Path::Avx2 : Path::Sse2;
}

bool QuantileEstimatorSet::isSupported(Path path)
{
    __builtin_cpu_init();
    switch (path) {
    case Path::Avx2:
        return __builtin_cpu_supports("avx2");
    case Path::Sse2:
    case Path::Scalar:
        return true;
    }
    return false;
}

QuantileEstimatorSet::QuantileEstimatorSet(std::size_t cellCount, Path path)
    : m_cellCount(cellCount)
    , m_stride((cellCount + 3) / 4 * 4)
    , m_moveMarkers(markersMover(path))
    , m_heights(markerCount * m_stride, 0.0)
    , m_positions(markerCount * m_stride)
    , m_values(m_stride, 0.0)
    , m_sums(m_stride, 0.0)
    , m_shifts(m_stride, 0.0)
    , m_shiftedSums(m_stride, 0.0)
    , m_shiftedSquares(m_stride, 0.0)
{
    double actual[markerCount];
    QuantileEstimator::initialPositions(actual, m_desiredPositions);
    for (std::size_t m = 0; m < markerCount; ++m)
        std::fill_n(positions(m), m_stride, actual[m]);
}

QuantileEstimatorSet::Markers QuantileEstimatorSet::markersMover(Path path)
{
    if (!isSupported(path))
        path = fastestPath();
    switch (path) {
    case Path::Avx2:
        return moveMarkersAvx2;
    case Path::Sse2:
        return moveMarkersSse2;
    case Path::Scalar:
        break;
    }
    return moveMarkersScalar;
}

void QuantileEstimatorSet::add(const double* values)
{
    ++m_count;
    std::copy_n(values, m_cellCount, m_values.begin());
    if (m_count == 1)
        std::copy_n(values, m_cellCount, m_shifts.begin());
    for (std::size_t c = 0; c < m_cellCount; ++c) {
        const double value = m_values[c];
        m_sums[c] += value;
        const double shifted = value - m_shifts[c];
        m_shiftedSums[c] += shifted;
        m_shiftedSquares[c] += shifted * shifted;
    }
    if (m_count <= markerCount) {
        addFirstValues();
        return;
    }
    QuantileEstimator::advanceDesiredPositions(m_desiredPositions);
    m_moveMarkers(*this);
}

void QuantileEstimatorSet::addFirstValues()
{
    std::copy_n(m_values.begin(), m_cellCount, heights(m_count - 1));
    if (m_count < markerCount)
        return;
    for (std::size_t c = 0; c < m_cellCount; ++c) {
        double cell[markerCount];
        for (std::size_t m = 0; m < markerCount; ++m)
            cell[m] = heights(m)[c];
        std::sort(cell, cell + markerCount);
        for (std::size_t m = 0; m < markerCount; ++m)
            heights(m)[c] = cell[m];
    }
}

void QuantileEstimatorSet::moveMarkersOfCell(std::size_t cell)
{
    QuantileEstimator::moveMarkers(heights(0) + cell, positions(0) + cell, m_stride, m_desiredPositions,
                                   m_values[cell]);
}

QuantileEstimator QuantileEstimatorSet::estimator(std::size_t cell) const
{
    QuantileEstimator estimator;
    for (std::size_t m = 0; m < markerCount; ++m) {
        estimator.m_heights[m] = m_heights[m * m_stride + cell];
        estimator.m_actualPositions[m] = m_positions[m * m_stride + cell];
        estimator.m_desiredPositions[m] = m_desiredPositions[m];
    }
    estimator.m_count = m_count;
    estimator.m_sum = m_sums[cell];
    estimator.m_shift = m_shifts[cell];
    estimator.m_shiftedSum = m_shiftedSums[cell];
    estimator.m_shiftedSquares = m_shiftedSquares[cell];
    return estimator;
}

std::vector<QuantileEstimator> QuantileEstimatorSet::estimators() const
{
    std::vector<QuantileEstimator> all;
    all.reserve(m_cellCount);
    for (std::size_t c = 0; c < m_cellCount; ++c)
        all.push_back(estimator(c));
    return all;
}

} // namespace fn

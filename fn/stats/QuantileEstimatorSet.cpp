#include "fn/stats/QuantileEstimatorSet.h"

#include <algorithm>

#include "fn/stats/MarkerMoves.h"

// Compiled without floating-point contraction (see fn/CMakeLists.txt): a fused multiply-add
// would round differently from QuantileEstimator.

namespace fn {

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
    if (isSupported(Path::Avx512))
        return Path::Avx512;
    return isSupported(Path::Avx2) ? Path::Avx2 : Path::Sse2;
}

bool QuantileEstimatorSet::isSupported(Path path)
{
    __builtin_cpu_init();
    switch (path) {
    case Path::Avx512:
        return __builtin_cpu_supports("avx512f");
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
    , m_stride((cellCount + 7) / 8 * 8)
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
    case Path::Avx512:
        return moveMarkersAvx512;
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

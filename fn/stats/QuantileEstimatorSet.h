#pragma once

#include <cstddef>
#include <vector>

#include "fn/stats/QuantileEstimator.h"

namespace fn {

// The QuantileEstimators of several cells that receive one value each per iteration, such as
// the figures of an outcome tree or the strata of a stratified figure, kept as a structure of
// arrays. Every cell has the same count and so the same desired marker positions; the markers
// of several cells are moved at once, one cell per SIMD lane, by the same operations in the
// same order as QuantileEstimator, so that every height, position and sum equals that of an
// estimator fed the cell's values alone, to the last bit. Cells whose value or heights are not
// finite are moved by QuantileEstimator's own code.
class QuantileEstimatorSet
{
public:
    // How the markers are moved: one cell at a time, or two (SSE2), four (AVX2) or eight
    // (AVX-512) at once.
    enum class Path { Scalar, Sse2, Avx2, Avx512 };

    // The widest path the processor runs.
    static Path fastestPath();
    static bool isSupported(Path path);

    explicit QuantileEstimatorSet(std::size_t cellCount, Path path = fastestPath());

    std::size_t cellCount() const { return m_cellCount; }

    // Adds the next value of every cell: values[c] to cell c.
    void add(const double* values);

    // The estimator of cell as if it had been fed that cell's values alone.
    QuantileEstimator estimator(std::size_t cell) const;
    std::vector<QuantileEstimator> estimators() const;

private:
    using Markers = void (*)(QuantileEstimatorSet& set);

    // Through data(): a set of no cells has empty arrays, which operator[] may not index.
    double* heights(std::size_t marker) { return m_heights.data() + marker * m_stride; }
    double* positions(std::size_t marker) { return m_positions.data() + marker * m_stride; }
    void addFirstValues();
    void moveMarkersOfCell(std::size_t cell);
    template <typename Vector>
    static void moveMarkers(QuantileEstimatorSet& set);
    static void moveMarkersScalar(QuantileEstimatorSet& set);
    static void moveMarkersSse2(QuantileEstimatorSet& set);
    static void moveMarkersAvx2(QuantileEstimatorSet& set);
    static void moveMarkersAvx512(QuantileEstimatorSet& set);
    static Markers markersMover(Path path);

    std::size_t m_cellCount;
    std::size_t m_stride; // cells rounded up to whole vectors
    std::size_t m_count = 0;
    Markers m_moveMarkers;
    // Marker m of cell c at [m * m_stride + c].
    std::vector<double> m_heights;
    std::vector<double> m_positions;
    double m_desiredPositions[QuantileEstimator::markerCount];
    std::vector<double> m_values;
    std::vector<double> m_sums;
    std::vector<double> m_shifts;
    std::vector<double> m_shiftedSums;
    std::vector<double> m_shiftedSquares;
};

} // namespace fn

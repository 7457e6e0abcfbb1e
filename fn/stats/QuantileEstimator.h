#pragma once

#include <cstddef>

#include <QVariantMap>

namespace fn {

// One-pass statistics of a stream of per-iteration values: count, sum and the 2.5 %, 50 %
// and 97.5 % quantiles by the extended P-square algorithm (nine markers, constant memory).
//
// The marker update reproduces Boost.Accumulators' extended_p_square operation for
// operation, so that the estimates equal that library's to the last bit; it only leaves
// out the library's generic machinery, which costs a third of a model run. Values must be
// added in iteration order.
class QuantileEstimator
{
public:
    static constexpr std::size_t markerCount = 9;
    // Fewer values than markers leave the quantiles raw values in arrival order: the page and
    // the run tab say so rather than show them as estimates.
    static constexpr unsigned int fewestValues = markerCount;

    QuantileEstimator();

    void add(double value)
    {
        ++m_count;
        m_sum += value;
        // Sums of the values less the first one: the spread of values far from zero stays exact.
        if (m_count == 1)
            m_shift = value;
        const double shifted = value - m_shift;
        m_shiftedSum += shifted;
        m_shiftedSquares += shifted * shifted;
        if (m_count <= markerCount) {
            m_heights[m_count - 1] = value;
            if (m_count == markerCount)
                sortInitialHeights();
            return;
        }
        update(value);
    }

    std::size_t count() const { return m_count; }
    double sum() const { return m_sum; }
    double mean() const { return m_sum / static_cast<double>(m_count); }
    // The sample standard deviation of the values (not-a-number for fewer than two).
    double standardDeviation() const;
    // The Monte-Carlo standard error of the mean: the standard deviation over the square root
    // of the number of values.
    double standardError() const;
    // The estimate of quantile q: 0 for 2.5 %, 1 for the median, 2 for 97.5 %. With fewer than
    // nine values these are raw values in arrival order (unfilled markers are 0).
    double quantile(int q) const { return m_heights[2 * q + 2]; }

    // "Quantile0.025", "Quantile0.5", "Quantile0.975" and "Mean"; all four the text "-"
    // when no value was added.
    QVariantMap statisticsMap() const;

private:
    friend class QuantileEstimatorSet;

    // The initial actual and desired marker positions.
    static void initialPositions(double* actual, double* desired);
    // Moves the desired positions on by one value.
    static void advanceDesiredPositions(double* desired);
    // The marker update for a value past the first nine, the desired positions already moved on:
    // marker m at heights[m * stride] and actual[m * stride].
    static void moveMarkers(double* heights, double* actual, std::size_t stride, const double* desired, double value);
    void sortInitialHeights();
    void update(double value);

    double m_heights[markerCount];
    double m_actualPositions[markerCount];
    double m_desiredPositions[markerCount];
    std::size_t m_count = 0;
    double m_sum = 0.0;
    double m_shift = 0.0;
    double m_shiftedSum = 0.0;
    double m_shiftedSquares = 0.0;
};

} // namespace fn

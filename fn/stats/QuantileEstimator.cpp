#include "fn/stats/QuantileEstimator.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fn {

namespace {

constexpr std::size_t quantileCount = 3;
constexpr double probabilities[quantileCount] = {0.025, 0.5, 0.975};

// How far each marker's desired position moves per value: 0 and 1 for the extreme markers,
// the probabilities for the principal ones and midpoints in between.
struct Increments
{
    double values[QuantileEstimator::markerCount];

    Increments()
    {
        constexpr std::size_t last = QuantileEstimator::markerCount - 1;
        values[0] = 0.;
        values[last] = 1.;
        for (std::size_t i = 0; i < quantileCount; ++i)
            values[2 * i + 2] = probabilities[i];
        for (std::size_t i = 0; i <= quantileCount; ++i)
            values[2 * i + 1] = 0.5 * (values[2 * i] + values[2 * i + 2]);
    }
};

const Increments increments;

const QString keys[quantileCount] = {QStringLiteral("Quantile0.025"), QStringLiteral("Quantile0.5"),
                                     QStringLiteral("Quantile0.975")};
const QString meanKey = QStringLiteral("Mean");

} // namespace

QuantileEstimator::QuantileEstimator()
{
    for (double& height : m_heights)
        height = 0.;
    initialPositions(m_actualPositions, m_desiredPositions);
}

void QuantileEstimator::initialPositions(double* actual, double* desired)
{
    for (std::size_t i = 0; i < markerCount; ++i) {
        actual[i] = static_cast<double>(i + 1);
        desired[i] = 1. + 2. * (static_cast<double>(quantileCount) + 1.) * increments.values[i];
    }
}

void QuantileEstimator::advanceDesiredPositions(double* desired)
{
    for (std::size_t i = 0; i < markerCount; ++i)
        desired[i] += increments.values[i];
}

void QuantileEstimator::sortInitialHeights()
{
    std::sort(m_heights, m_heights + markerCount);
}

void QuantileEstimator::update(double value)
{
    advanceDesiredPositions(m_desiredPositions);
    moveMarkers(m_heights, m_actualPositions, 1, m_desiredPositions, value);
}

void QuantileEstimator::moveMarkers(double* heights, double* actual, std::size_t stride, const double* desired,
                                    double value)
{
    constexpr std::size_t last = markerCount - 1;
    const auto h = [heights, stride](std::size_t i) -> double& { return heights[i * stride]; };
    const auto n = [actual, stride](std::size_t i) -> double& { return actual[i * stride]; };
    std::size_t cell = 1;
    if (value < h(0)) {
        h(0) = value;
        cell = 1;
    } else if (value >= h(last)) {
        h(last) = value;
        cell = last;
    } else {
        // The first marker above value (upper bound) by the same halvings as the library's search.
        std::size_t first = 0;
        std::size_t length = markerCount;
        while (length > 0) {
            const std::size_t half = length >> 1;
            if (value < h(first + half)) {
                length = half;
            } else {
                first += half + 1;
                length -= half + 1;
            }
        }
        cell = first;
    }

    for (std::size_t i = cell; i < markerCount; ++i)
        ++n(i);

    for (std::size_t i = 1; i <= markerCount - 2; ++i) {
        const double d = desired[i] - n(i);
        const double dp = n(i + 1) - n(i);
        const double dm = n(i - 1) - n(i);
        // The slopes (two divisions) are needed only for a marker that moves.
        if (!((d >= 1 && dp > 1) || (d <= -1 && dm < -1)))
            continue;
        const double hp = (h(i + 1) - h(i)) / dp;
        const double hm = (h(i - 1) - h(i)) / dm;
        // |d| >= 1 here, so d / |d| is exactly 1 or -1.
        const short sign = d > 0 ? 1 : -1;
        const double parabolic = h(i) + sign / (dp - dm) * ((sign - dm) * hp + (dp - sign) * hm);
        // The parabolic prediction when it keeps the markers ordered, else the linear one.
        if (h(i - 1) < parabolic && parabolic < h(i + 1)) {
            h(i) = parabolic;
        } else {
            if (d > 0)
                h(i) += hp;
            if (d < 0)
                h(i) -= hm;
        }
        n(i) += sign;
    }
}

double QuantileEstimator::standardDeviation() const
{
    if (m_count < 2)
        return std::numeric_limits<double>::quiet_NaN();
    const double n = static_cast<double>(m_count);
    const double variance = (m_shiftedSquares - m_shiftedSum * m_shiftedSum / n) / (n - 1.0);
    return std::sqrt(std::max(variance, 0.0));
}

double QuantileEstimator::standardError() const
{
    return standardDeviation() / std::sqrt(static_cast<double>(m_count));
}

QVariantMap QuantileEstimator::statisticsMap() const
{
    QVariantMap map;
    if (m_count == 0) {
        const QString dash = QStringLiteral("-");
        for (const QString& key : keys)
            map.insert(key, dash);
        map.insert(meanKey, dash);
        return map;
    }
    for (std::size_t q = 0; q < quantileCount; ++q)
        map.insert(keys[q], quantile(static_cast<int>(q)));
    map.insert(meanKey, mean());
    return map;
}

} // namespace fn

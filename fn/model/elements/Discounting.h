#pragma once

#include <cmath>

namespace fn {

// The discounted length of a period of duration years starting onset years after
// infection; no discounting for a rate of 0 or below.
inline double discountedDuration(double duration, double onset, double rate)
{
    if (rate <= 0.0)
        return duration;
    return (std::pow(1.0 + rate, 1.0 - onset) - std::pow(1.0 + rate, 1.0 - (onset + duration))) / rate;
}

} // namespace fn

#include "fn/model/elements/SampleStores.h"

#include <algorithm>

namespace fn::samples {

void addToSums(Marray& sums, const Marray& values)
{
    const std::size_t n = std::min(sums.size(), values.size());
    double* target = sums.begin();
    const double* source = values.begin();
    for (std::size_t i = 0; i < n; ++i)
        target[i] += source[i];
}

Marray meansOf(const Marray& sums, std::uint32_t iterations)
{
    Marray means(sums);
    for (double& value : means)
        value /= static_cast<double>(iterations);
    return means;
}

} // namespace fn::samples

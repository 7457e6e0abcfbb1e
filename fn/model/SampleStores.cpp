#include "fn/model/SampleStores.h"

namespace fn::samples {

namespace {

std::size_t iterationCount(const Marray& store)
{
    return store.dimension() == 0 ? 1 : static_cast<std::size_t>(store.shape(store.dimension() - 1));
}

} // namespace

Marray::Shape sampleShape(const Marray::Shape& strataShape, std::uint32_t iterations)
{
    Marray::Shape shape = strataShape;
    shape.push_back(iterations);
    return shape;
}

Marray::Shape strataShapeOf(const Marray& store)
{
    Marray::Shape shape;
    for (std::size_t j = 0; j + 1 < store.dimension(); ++j)
        shape.push_back(store.shape(j));
    return shape;
}

void storeSlice(Marray& store, const Marray& slice, std::uint32_t iteration)
{
    const std::size_t n = iterationCount(store);
    if (iteration == 0 || iteration > n)
        return;
    const std::size_t strata = std::min(slice.size(), store.size() / std::max<std::size_t>(n, 1));
    // A store over a factor without levels has no storage to point into.
    if (strata == 0)
        return;
    double* target = store.begin() + (iteration - 1);
    for (std::size_t i = 0; i < strata; ++i)
        target[i * n] = slice[i];
}

Marray meanOverIterations(const Marray& store)
{
    Marray mean(strataShapeOf(store), 0.0);
    const std::size_t n = iterationCount(store);
    const double* source = store.begin();
    for (std::size_t i = 0; i < mean.size(); ++i) {
        double sum = 0.0;
        for (std::size_t k = 0; k < n; ++k)
            sum += source[i * n + k];
        mean[i] = sum / static_cast<double>(n);
    }
    return mean;
}

Marray totalsPerIteration(const Marray& store)
{
    const std::size_t n = iterationCount(store);
    Marray totals(Marray::Shape{static_cast<Marray::Extent>(n)}, 0.0);
    const std::size_t strata = n == 0 ? 0 : store.size() / n;
    const double* source = store.begin();
    for (std::size_t i = 0; i < strata; ++i) {
        for (std::size_t k = 0; k < n; ++k)
            totals[k] += source[i * n + k];
    }
    return totals;
}

Marray repeatOverIterations(const Marray& strata, std::uint32_t iterations)
{
    Marray repeated(sampleShape(strata.shape(), iterations), 0.0);
    double* target = repeated.begin();
    for (std::size_t i = 0; i < strata.size(); ++i) {
        for (std::size_t k = 0; k < iterations; ++k)
            target[i * iterations + k] = strata[i];
    }
    return repeated;
}

} // namespace fn::samples

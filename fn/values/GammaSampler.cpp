#include "fn/values/GammaSampler.h"

#include <cmath>
#include <optional>

// Compiled without floating-point contraction (see fn/CMakeLists.txt), as the library's
// expressions are where they are instantiated.

namespace fn {

namespace {

constexpr double pi = 3.14159265358979323846;
// The library's uniform number in [0, 1) of a 32-bit word: the word times 2^-32, exactly.
constexpr double wordScale = 1.0 / 4294967296.0;
constexpr std::uint64_t halfWords = std::uint64_t(1) << 31;
constexpr std::uint64_t allWords = std::uint64_t(1) << 32;

} // namespace

GammaSampler::GammaSampler(double shape)
    : m_shape(shape)
    , m_shapeLessOne(shape - 1.0)
    , m_root(std::sqrt(2.0 * shape - 1.0))
    , m_firstRejected(halfWords + 1)
{
    // The first word past 2^31 whose proposal is positive.
    std::uint64_t low = m_firstRejected;
    std::uint64_t high = allWords;
    while (low < high) {
        const std::uint64_t middle = low + (high - low) / 2;
        double tangent;
        if (proposal(static_cast<std::uint32_t>(middle), tangent) > 0.0)
            high = middle;
        else
            low = middle + 1;
    }
    m_endRejected = low;
}

double GammaSampler::proposal(std::uint32_t k, double& tangent) const
{
    tangent = std::tan(pi * (static_cast<double>(k) * wordScale));
    return m_root * tangent + m_shape - 1.0;
}

double GammaSampler::operator()(boost::random::mt19937& engine) const
{
    for (;;) {
        const std::uint32_t k = engine();
        if (k >= m_firstRejected && k < m_endRejected)
            continue;
        double y;
        const double x = proposal(k, y);
        if (x <= 0.0)
            continue;
        const double u = static_cast<double>(engine()) * wordScale;
        if (u > (1.0 + y * y) * std::exp(m_shapeLessOne * std::log(x / m_shapeLessOne) - m_root * y))
            continue;
        return x;
    }
}

const GammaSampler& GammaSampler::forShape(double shape)
{
    // A model draws from a handful of shapes: the last one used is checked first, and entries are
    // replaced in turn. Keys are compared whole, so two shapes never share an entry.
    constexpr int size = 8;
    thread_local std::optional<GammaSampler> entries[size];
    thread_local int last = 0;
    thread_local int next = 0;
    if (entries[last] && entries[last]->shape() == shape)
        return *entries[last];
    for (int i = 0; i < size && entries[i]; ++i) {
        if (entries[i]->shape() == shape) {
            last = i;
            return *entries[i];
        }
    }
    last = next;
    next = (next + 1) % size;
    entries[last].emplace(shape);
    return *entries[last];
}

} // namespace fn

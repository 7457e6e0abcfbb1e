#include "fn/values/random/GammaSampler.h"

#include <cmath>
#include <cstring>

// Compiled without floating-point contraction (see fn/CMakeLists.txt): the library's expressions
// are rounded operation by operation in a build for the baseline instruction set, which has no
// fused multiply-add, and these must be rounded alike whatever the build targets.

namespace fn {

namespace {

constexpr double pi = 3.14159265358979323846;
// The library's uniform number in [0, 1) of a 32-bit word: the word times 2^-32, exactly.
constexpr double wordScale = 1.0 / 4294967296.0;
constexpr std::uint64_t halfWords = std::uint64_t(1) << 31;
constexpr std::uint64_t allWords = std::uint64_t(1) << 32;

} // namespace

GammaSampler GammaSampler::withoutEarlyRejection(double shape)
{
    GammaSampler sampler;
    sampler.m_shape = shape;
    sampler.m_shapeLessOne = shape - 1.0;
    sampler.m_root = std::sqrt(2.0 * shape - 1.0);
    sampler.m_firstRejected = halfWords + 1;
    sampler.m_endRejected = sampler.m_firstRejected;
    return sampler;
}

GammaSampler::GammaSampler(double shape)
    : GammaSampler(withoutEarlyRejection(shape))
{
    findRejectedRange();
}

void GammaSampler::findRejectedRange()
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

// Open addressing over the shape's bits, a few probes at most; a shape is never mistaken for
// another, since the whole key is compared.
class GammaSampler::Table
{
public:
    const GammaSampler& find(double shape)
    {
        std::uint64_t key;
        std::memcpy(&key, &shape, sizeof key);
        std::size_t slot = (key * 0x9E3779B97F4A7C15u) >> (64 - sizeBits);
        for (int probe = 0; probe < probes; ++probe, slot = (slot + 1) & (size - 1)) {
            Entry& entry = m_entries[slot];
            if (entry.key == key) {
                if (!entry.ranged) {
                    entry.sampler.findRejectedRange();
                    entry.ranged = true;
                }
                return entry.sampler;
            }
            if (entry.key == 0) {
                if (m_used == size / 2) {
                    clear();
                    return find(shape);
                }
                ++m_used;
                entry.key = key;
                entry.sampler = withoutEarlyRejection(shape);
                return entry.sampler;
            }
        }
        m_unlisted = withoutEarlyRejection(shape);
        return m_unlisted;
    }

private:
    static constexpr int sizeBits = 9;
    static constexpr std::size_t size = std::size_t(1) << sizeBits;
    static constexpr int probes = 4;

    struct Entry
    {
        std::uint64_t key = 0; // a positive shape's bits are never 0
        bool ranged = false;
        GammaSampler sampler;
    };

    void clear()
    {
        for (Entry& entry : m_entries)
            entry = Entry();
        m_used = 0;
    }

    Entry m_entries[size];
    std::size_t m_used = 0;
    GammaSampler m_unlisted;
};

const GammaSampler& GammaSampler::forShape(double shape)
{
    thread_local Table table;
    return table.find(shape);
}

} // namespace fn

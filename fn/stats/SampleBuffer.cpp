#include "fn/stats/SampleBuffer.h"

#include <mutex>

namespace fn {

namespace {

// Buffers beyond this are freed instead of kept: enough for the models a run holds at once.
constexpr std::size_t poolLimitBytes = std::size_t(512) << 20;

struct Pool
{
    std::mutex mutex;
    std::vector<std::vector<double>> free;
    std::size_t bytes = 0;
};

Pool& pool()
{
    static Pool instance;
    return instance;
}

std::size_t bytesOf(const std::vector<double>& storage)
{
    return storage.size() * sizeof(double);
}

} // namespace

SampleBuffer::SampleBuffer(std::size_t size)
    : m_size(size)
{
    {
        Pool& p = pool();
        const std::lock_guard<std::mutex> lock(p.mutex);
        // The smallest free buffer that is large enough.
        std::size_t best = p.free.size();
        for (std::size_t i = 0; i < p.free.size(); ++i) {
            if (p.free[i].size() >= size && (best == p.free.size() || p.free[i].size() < p.free[best].size()))
                best = i;
        }
        if (best < p.free.size()) {
            m_storage = std::move(p.free[best]);
            p.free.erase(p.free.begin() + std::ptrdiff_t(best));
            p.bytes -= bytesOf(m_storage);
            return;
        }
    }
    m_storage.resize(size);
}

SampleBuffer::~SampleBuffer()
{
    giveBack();
}

SampleBuffer::SampleBuffer(SampleBuffer&& other) noexcept
    : m_storage(std::move(other.m_storage))
    , m_size(other.m_size)
{
    other.m_storage = std::vector<double>();
    other.m_size = 0;
}

SampleBuffer& SampleBuffer::operator=(SampleBuffer&& other) noexcept
{
    if (this != &other) {
        giveBack();
        m_storage = std::move(other.m_storage);
        m_size = other.m_size;
        other.m_storage = std::vector<double>();
        other.m_size = 0;
    }
    return *this;
}

void SampleBuffer::giveBack()
{
    if (m_storage.empty())
        return;
    Pool& p = pool();
    std::vector<double> storage = std::move(m_storage);
    m_storage = std::vector<double>();
    m_size = 0;
    const std::lock_guard<std::mutex> lock(p.mutex);
    if (p.bytes + bytesOf(storage) > poolLimitBytes)
        return;
    p.bytes += bytesOf(storage);
    p.free.push_back(std::move(storage));
}

std::size_t SampleBuffer::pooledBytes()
{
    Pool& p = pool();
    const std::lock_guard<std::mutex> lock(p.mutex);
    return p.bytes;
}

} // namespace fn

#pragma once

#include <cstddef>
#include <vector>

namespace fn {

// Doubles for the per-iteration records of a run, borrowed from a process-wide pool and given
// back when the buffer goes: a run of thousands of models reuses the memory of the models
// before it instead of asking the system for (and zero-filling) fresh pages each time.
// Contents are unspecified until written. Move-only.
class SampleBuffer
{
public:
    SampleBuffer() = default;
    explicit SampleBuffer(std::size_t size);
    ~SampleBuffer();
    SampleBuffer(SampleBuffer&& other) noexcept;
    SampleBuffer& operator=(SampleBuffer&& other) noexcept;
    SampleBuffer(const SampleBuffer&) = delete;
    SampleBuffer& operator=(const SampleBuffer&) = delete;

    double* data() { return m_storage.data(); }
    const double* data() const { return m_storage.data(); }
    std::size_t size() const { return m_size; }

    // Bytes the pool holds for later buffers (for tests and benchmarks).
    static std::size_t pooledBytes();

private:
    void giveBack();

    std::vector<double> m_storage;
    std::size_t m_size = 0;
};

} // namespace fn

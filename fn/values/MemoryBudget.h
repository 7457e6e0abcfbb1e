#pragma once

#include <cstdint>
#include <initializer_list>

#include <QString>

namespace fn {

// How much memory the program may plan to fill with arrays whose sizes come from input:
// three quarters of the physical memory, or of the process's address-space or data limit
// when that is lower. Readers and the run ask here before they allocate in proportion to
// what a file declares, so that input too large for this computer is refused with a
// message instead of failing deep inside.
class MemoryBudget
{
public:
    // The budget in bytes: the one set with setLimit, else the system's.
    static std::uint64_t limit();
    // Replaces the system's budget; 0 restores it. For harnesses and tests that must stay small.
    static void setLimit(std::uint64_t bytes);

    // The product of the counts and bytesEach, saturating at the largest value instead of
    // wrapping around.
    static std::uint64_t bytesFor(std::initializer_list<std::uint64_t> counts, std::uint64_t bytesEach);
    static bool fits(std::uint64_t bytes) { return bytes <= limit(); }

    // A size for messages, such as "512 MB" or "3.2 GB".
    static QString text(std::uint64_t bytes);
};

} // namespace fn

// Large texts that are filled once from start to end (a file read whole, a file built before
// it is written) take a page fault for every 4 KB; asking the kernel for large pages there
// makes a fraction of the faults.
#pragma once

#include <cstddef>
#include <cstdint>

#include <sys/mman.h>

namespace tabrix {

// A hint for the whole 2 MB pages inside bytes .. bytes+size; where the system has none,
// nothing changes.
inline void AskForLargePages(void* bytes, std::size_t size) {
    constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(bytes);
    const std::uintptr_t first = (start + kLarge - 1) & ~(kLarge - 1);
    const std::uintptr_t end = (start + size) & ~(kLarge - 1);
    if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

}  // namespace tabrix

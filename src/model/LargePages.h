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

// Gives the whole 2 MB pages inside from .. to back to the system: bytes that are read once
// (the lines of a file being decoded) need not stay in memory beside what they became. The
// range must lie inside one allocation that is never read there again; the pages read as
// zeros if it is. Whole large pages only, so that none is split. Returns where the pages given
// back end, or from when there were none.
inline const char* GiveBackLargePages(const char* from, const char* to) {
    constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
    const std::uintptr_t first =
        (reinterpret_cast<std::uintptr_t>(from) + kLarge - 1) & ~(kLarge - 1);
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(to) & ~(kLarge - 1);
    if (end <= first) return from;
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED);
    return reinterpret_cast<const char*>(end);
}

}  // namespace tabrix

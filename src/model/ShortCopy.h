// Copies of a few bytes are the most common in building element lines (an item, a run between
// two escapes): done as two overlapping loads and stores of a fixed width rather than a call
// of memcpy, whose call and size dispatch cost more than such a copy itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tabrix {

namespace short_copy {

template <typename Word>
inline void CopyEnds(char* to, const char* from, std::size_t size) {
    Word first, last;
    std::memcpy(&first, from, sizeof first);
    std::memcpy(&last, from + size - sizeof last, sizeof last);
    std::memcpy(to, &first, sizeof first);
    std::memcpy(to + size - sizeof last, &last, sizeof last);
}

}  // namespace short_copy

// Copies size bytes; to and from must not overlap.
inline void CopyShort(char* to, const char* from, std::size_t size) {
    if (size >= 16) {
        std::memcpy(to, from, size);
    } else if (size >= 8) {
        short_copy::CopyEnds<std::uint64_t>(to, from, size);
    } else if (size >= 4) {
        short_copy::CopyEnds<std::uint32_t>(to, from, size);
    } else if (size >= 2) {
        short_copy::CopyEnds<std::uint16_t>(to, from, size);
    } else if (size == 1) {
        *to = *from;
    }
}

}  // namespace tabrix

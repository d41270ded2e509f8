// One step of the 64-bit mixing that keys the runs of lines kept from a reading: word is folded
// into hash so that any change of either changes the result but for a chance of about 2^-64.
#pragma once

#include <cstdint>

namespace tabrix {

inline std::uint64_t Mix64(std::uint64_t hash, std::uint64_t word) {
    hash ^= word * 0xC2B2AE3D27D4EB4Full;
    hash = (hash << 31) | (hash >> 33);
    return hash * 0x9E3779B97F4A7C15ull;
}

}  // namespace tabrix

// Ranks texts in byte order, so that a sort can compare two integers where it would compare
// two texts scattered in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tabrix {

class TTextRanker {
public:
    // The rank of each text: equal texts get the same rank, and one rank is below another
    // exactly when its text orders before the other's as unsigned bytes (a text before its
    // own extensions). Ranks run from 0 without gaps. From parallelSize texts on, the work is
    // shared between the cores.
    static std::vector<std::uint32_t> Rank(std::span<const std::string_view> texts,
                                           std::size_t parallelSize);
};

}  // namespace tabrix

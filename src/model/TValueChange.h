// New values for some parameters of one element, gathered by a panel and written by whoever
// owns the change: what the user changed and nothing else, so untouched values keep their
// bytes exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "model/TElement.h"

namespace tabrix {

struct TValueChange {
    TElement* target = nullptr;
    // A kept copy (TElement::KeptCopy) holding the new value of every parameter in params.
    std::unique_ptr<TElement> values;
    std::vector<std::size_t> params;
    std::optional<std::uint8_t> outputFlag;

    bool Empty() const { return !target || (params.empty() && !FlagChanges()); }
    // Whether the output flag given differs from the target's.
    bool FlagChanges() const { return outputFlag && target && *outputFlag != target->OutputFlag(); }
    // Writes the values and the flag into the target, announced to the edit log first.
    void Apply() const;
};

}  // namespace tabrix

// One stored batch item of a library: which operation, its name and its data lines.
#pragma once

#include <cstdint>
#include <string>

#include "model/TStringDivision.h"

namespace tabrix {

struct TBatchSetting {
    StringList dataLines;  // the operation's settings, kept verbatim
    std::uint32_t type = 0;
    std::string name;

    bool operator==(const TBatchSetting&) const = default;
};

}  // namespace tabrix

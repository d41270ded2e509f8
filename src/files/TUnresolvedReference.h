// A reference value read from an element line, waiting for every file of its library to be
// loaded: its field as read, cut into items at "#" when it is resolved. (Most fields are a few
// bytes and need no allocation of their own.)
#pragma once

#include <cstdint>
#include <string>

namespace tabrix {

class TElement;

struct TUnresolvedReference {
    TElement* element;
    std::uint32_t param;
    std::string field;
};

}  // namespace tabrix

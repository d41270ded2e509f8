#include "model/TMapWord.h"

#include <utility>

namespace tabrix {

TMapWord::TMapWord(std::string first, std::string second)
    : first_(std::move(first)), second_(std::move(second)) {}

// std::string::compare compares as unsigned char, so bytes of double-byte characters (0x81 and
// above) sort after every ASCII byte, independent of the signedness of char.
bool TMapWord::operator<(const TMapWord& other) const {
    int byFirst = first_.compare(other.first_);
    if (byFirst != 0) return byFirst < 0;
    return second_.compare(other.second_) < 0;
}

bool TMapWord::operator==(const TMapWord& other) const {
    return first_ == other.first_ && second_ == other.second_;
}

}  // namespace tabrix

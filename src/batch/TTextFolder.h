// The sort's foldings on Shift-JIS text: half-width to full width (with voiced and
// semi-voiced marks composed), hiragana to katakana, and upper case to lower case for the
// Latin (half and full width), Greek and Cyrillic letters and the Roman numerals.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "batch/TBatchData.h"

namespace tabrix {

class TTextFolder {
public:
    // Appends text folded by the flags (FoldFlags) to out. Bytes that do not form a foldable
    // character, including a lead byte at the very end, are copied as they are.
    static void FoldInto(std::string_view text, unsigned flags, std::string& out);
    static std::string Fold(std::string_view text, unsigned flags);

    // The same, written to out, which has room for MaxFoldedSize bytes; returns the end.
    static char* FoldTo(std::string_view text, unsigned flags, char* out);
    // Width folding turns one byte into two at most; the other foldings keep the length.
    static std::size_t MaxFoldedSize(std::size_t size, unsigned flags) {
        return (flags & kFoldWidth) ? 2 * size : size;
    }
};

}  // namespace tabrix

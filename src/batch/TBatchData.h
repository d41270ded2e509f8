// The data lines of a batch item, read into index lists and sort options.
//
// A line is a tag in square brackets followed by values separated by ","; for example
// "[GroupNo]0,2,5". Every operation reads the same syntax; each uses the lists it knows.
#pragma once

#include <cstdint>
#include <vector>

#include "model/TStringDivision.h"

namespace tabrix {

using IndexList = std::vector<std::uint32_t>;

// The three foldings of a sort; the values are those of the platform's locale mapping flags.
enum FoldFlags : unsigned {
    kFoldNone = 0,
    kFoldCase = 0x100,      // upper-case letters to lower case
    kFoldKana = 0x200000,   // hiragana to katakana
    kFoldWidth = 0x800000,  // half-width characters to full width
    kFoldAll = kFoldCase | kFoldKana | kFoldWidth,
};

class TBatchData {
public:
    // The position of a parameter or group deleted after the item was stored. It never names
    // anything again, so an item holding it is refused: run on what is left, it would sort,
    // overwrite or delete by fewer parameters or in other groups than it was set up for.
    static constexpr std::uint32_t kGone = 0xFFFFFFFF;
    static constexpr const char* kGoneText = "-1";

    // Reads every line; lines with unknown tags are ignored, bad numbers count as 0.
    static TBatchData Parse(const StringList& lines);

    IndexList judgeParams;   // [JudgeParam]
    IndexList groups;        // [GroupNo]      sort targets
    IndexList sourceGroups;  // [SrcGroup]     compare-apply
    IndexList destGroups;    // [DstGroup]
    IndexList applyParams;   // [ApplyParam]
    IndexList targetGroups;  // [TargetGroup]  duplicate deletion
    bool ascending = true;   // [Option] first value
    unsigned foldFlags = kFoldNone;

    // True when a list names a deleted parameter or group.
    bool NamesGone() const;

private:
    void ReadLine(const TStringDivision& division, std::string line);
};

}  // namespace tabrix

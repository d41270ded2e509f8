// The data lines the operation dialogs write, from the tick states of their lists. The sort
// lists only the ticked indices; compare-apply and duplicate deletion walk every item and put a
// "," after each ticked one but the last item of the list, so such a list ends with "," when its
// last item is not ticked. Readers skip the empty piece, and stored items keep these bytes.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/TStringDivision.h"

namespace tabrix {

using TickList = std::vector<bool>;

class TBatchLines {
public:
    // [JudgeParam] and [GroupNo] (each left out when nothing is ticked), then [Option] with the
    // four options (ascending, case, width, kana folding) as 1 or 0.
    static StringList Sort(const TickList& keys, const TickList& groups,
                           const std::array<bool, 4>& options);
    // [SrcGroup], [DstGroup], [JudgeParam], [ApplyParam], then both conditions as 0.
    static StringList CompareApply(const TickList& sources, const TickList& destinations,
                                   const TickList& judges, const TickList& applies);
    // [JudgeParam], [TargetGroup].
    static StringList DuplicateDeletion(const TickList& judges, const TickList& targets);

    // "[tag]" and the ticked indices joined by ",".
    static std::string Listed(const std::string& tag, const TickList& ticked);
    // "[tag]" and, for each ticked item, its index followed by "," unless it is the last item.
    static std::string Walked(const std::string& tag, const TickList& ticked);
};

}  // namespace tabrix

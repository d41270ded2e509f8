// The positions a stored batch item names: parameters in [JudgeParam] and [ApplyParam], groups
// in [GroupNo], [SrcGroup], [DstGroup] and [TargetGroup]. When parameters or groups move, the
// items must follow them; when one is deleted, the items naming it must not be left pointing
// at whatever takes its place, so its position becomes TBatchData::kGone and the engine
// refuses the item.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/TBatchSetting.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

class TBatchPositions {
public:
    enum class Kind { kParameters, kGroups };
    // Old position to new position; a position that is not a key was deleted.
    using Moves = std::map<std::size_t, std::size_t>;

    // Rewrites the lines of kind in every item of every list of library through moved. A
    // line holding anything but positions is left alone, and so is a line whose positions
    // all stay (its bytes are kept). True when a line changed.
    static bool Follow(TZQLCtrl& library, Kind kind, const Moves& moved);
    static bool FollowLine(std::string& line, Kind kind, const Moves& moved);

    // True when the item's lines of kind name one of positions.
    static bool Names(const TBatchSetting& item, Kind kind, const std::set<std::size_t>& positions);
    // The items of library naming one of positions, each as the user knows it: the page of
    // the library settings dialog, its row there and its name, e.g. 変更時 2「判定適用」.
    static std::vector<std::string> Naming(const TZQLCtrl& library, Kind kind,
                                           const std::set<std::size_t>& positions);
    static std::string Describe(BatchTrigger trigger, std::size_t row, const TBatchSetting& item);
};

}  // namespace tabrix

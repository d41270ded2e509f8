// The batch operations of a library: sort, compare-apply and duplicate deletion, run from a
// batch item's data lines or directly, and whole batch lists whose save and output items call
// actions the caller supplies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "batch/TBatchData.h"
#include "model/Progress.h"
#include "model/TBatchSetting.h"
#include "model/TZQLCtrl.h"

namespace tabrix {

class TElement;
class TJudgeKey;
class TKeyTable;

// What a batch list's save (type 3) and output (type 4) items do, and who hears of an item
// that was not run (with RunBatchSetting's result); each may be empty.
struct TBatchActions {
    std::function<void()> save;
    std::function<void()> output;
    std::function<void(const TBatchSetting& item, std::uint32_t result)> skipped = nullptr;
};

class TBatchRunner {
public:
    enum BatchType : std::uint32_t {
        kBatchSort = 1,
        kBatchCompareApply = 2,
        kBatchSave = 3,
        kBatchOutput = 4,
        kBatchDeleteDuplicates = 5,
    };
    // CompareValues results, from a's side.
    enum Comparison : int { kEqual = 0, kLess = 1, kGreater = 2 };

    // progress hears "グループ「name」" as each group's turn comes in sort, compare-apply and
    // duplicate deletion, so that a long run can be shown while it goes.
    explicit TBatchRunner(TZQLCtrl& library, Progress progress = {})
        : library_(library), progress_(std::move(progress)) {}

    // RunBatchSetting results.
    enum BatchResult : std::uint32_t {
        kBatchRan = 0,
        // Nothing was changed: the judge list names a parameter the library does not have,
        // or is empty for duplicate deletion. Judging by fewer parameters than the item was
        // set up with would match, and overwrite or delete, elements it was not meant for.
        kBatchNoUsableJudge = 1,
        // Nothing was changed: the item names a parameter or group that was deleted after it
        // was stored (TBatchData::kGone).
        kBatchNamesDeleted = 2,
    };

    // Parses the item's data lines and runs sort (1), compare-apply (2) or duplicate
    // deletion (5); other types do nothing. kBatchRan, or the reason an item was refused.
    std::uint32_t RunBatchSetting(const TBatchSetting& setting);
    // Runs the list of a trigger item by item; refused items are passed over and reported to
    // actions.skipped. A value outside the triggers runs nothing.
    void RunBatchList(BatchTrigger trigger, const TBatchActions& actions);

    void SortGroups(bool ascending, unsigned foldFlags, const IndexList& keys,
                    const IndexList& groups);
    // Both find their matches through judge keys; the results are those of the plain walks
    // below, which compare every element with every other.
    void CompareApply(const IndexList& sourceGroups, const IndexList& destGroups,
                      const IndexList& judgeParams, const IndexList& applyParams);
    void DeleteDuplicates(const IndexList& targetGroups, const IndexList& judgeParams);
    void CompareApplyByWalk(const IndexList& sourceGroups, const IndexList& destGroups,
                            const IndexList& judgeParams, const IndexList& applyParams);
    void DeleteDuplicatesByWalk(const IndexList& targetGroups, const IndexList& judgeParams);

    // Positions, ascending, of the elements of group that equal e on every judge parameter.
    std::vector<std::size_t> FindMatchingElements(const TElement& e, const IndexList& judgeParams,
                                                  std::size_t group) const;
    // Compares the values of parameter param (of the given type) without folding.
    static Comparison CompareValues(const TElement& a, const TElement& b, std::uint32_t param,
                                    std::uint8_t type);

    // A parameter index that names a parameter, with its type.
    struct TypedParam {
        std::uint32_t index;
        std::uint8_t type;
    };

private:
    std::vector<TypedParam> TypedParams(const IndexList& params) const;
    // True when every index names a parameter of the library.
    bool NamesParametersOnly(const IndexList& params) const;
    TGroupData* GroupDataAt(std::size_t group) const;
    // The destination group at index, or none when it names no group, has no group data or
    // is read-only.
    TGroupSetting* WritableGroup(std::size_t index) const;
    static void MarkApplied(TGroupSetting& group);
    void ReportGroup(std::size_t index) const;
    // The positions of data, ascending, whose keys are in seen or met earlier in data; data's
    // other keys are added to seen.
    static std::vector<std::size_t> Duplicates(const TJudgeKey& keyOf, const TGroupData& data,
                                               TKeyTable& seen);

    TZQLCtrl& library_;
    Progress progress_;
};

}  // namespace tabrix

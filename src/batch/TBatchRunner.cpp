#include "batch/TBatchRunner.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <unordered_set>

#include "batch/TElementSorter.h"
#include "batch/TJudgeKey.h"
#include "batch/TKeyTable.h"
#include "model/CoreText.h"
#include "model/ParamType.h"
#include "model/RunInParts.h"
#include "model/TEditLog.h"
#include "model/TElement.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TParameter.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

namespace {

TBatchRunner::Comparison Compare3(bool less, bool greater) {
    if (less) return TBatchRunner::kLess;
    if (greater) return TBatchRunner::kGreater;
    return TBatchRunner::kEqual;
}

template <typename T>
TBatchRunner::Comparison CompareOrdered(T a, T b) {
    return Compare3(a < b, b < a);
}

std::uint32_t FirstNumber(const TElement& e, std::uint32_t param) {
    const NumberItems numbers = e.Numbers(param);
    return numbers.empty() ? 0 : static_cast<std::uint32_t>(numbers.front());
}

// A missing list is less than any stored one; two missing lists are equal.
bool CompareMissing(bool aHas, bool bHas, TBatchRunner::Comparison& result) {
    if (aHas && bHas) return false;
    result = Compare3(!aHas && bHas, aHas && !bHas);
    return true;
}

TBatchRunner::Comparison CompareTextLists(const TElement& a, const TElement& b,
                                          std::uint32_t param) {
    TBatchRunner::Comparison result;
    if (CompareMissing(param < a.TextCount(), param < b.TextCount(), result)) return result;
    const TextItems la = a.Texts(param);
    const TextItems lb = b.Texts(param);
    if (la.size() != lb.size()) return CompareOrdered(la.size(), lb.size());
    for (std::size_t k = 0; k < la.size(); ++k) {
        int order = la[k].compare(lb[k]);
        if (order != 0) return Compare3(order<0, order> 0);
    }
    return TBatchRunner::kEqual;
}

TBatchRunner::Comparison CompareNumberLists(const TElement& a, const TElement& b,
                                            std::uint32_t param, bool itemsToo) {
    TBatchRunner::Comparison result;
    if (CompareMissing(param < a.NumberCount(), param < b.NumberCount(), result)) return result;
    const NumberItems la = a.Numbers(param);
    const NumberItems lb = b.Numbers(param);
    if (la.size() != lb.size()) return CompareOrdered(la.size(), lb.size());
    if (!itemsToo) return TBatchRunner::kEqual;
    for (std::size_t k = 0; k < la.size(); ++k) {
        auto x = static_cast<std::uint32_t>(la[k]);
        auto y = static_cast<std::uint32_t>(lb[k]);
        if (x != y) return CompareOrdered(x, y);
    }
    return TBatchRunner::kEqual;
}

const TGroupSetting* ReferencedGroup(const TElement& e, std::uint32_t param) {
    const NumberItems numbers = e.Numbers(param);
    if (numbers.empty() || numbers.front() == 0 || !e.HoldsGroupRefs(param)) return nullptr;
    return TElement::AsGroup(numbers.front());
}

std::size_t ElementCount(const TGroupSetting& group) {
    return group.GroupData() ? group.GroupData()->Size() : 0;
}

// Copies parameter param of type from source into dest as compare-apply does: texts and
// lists as a whole, single numbers as the source's first number.
// An empty value (an empty text, an empty list, the number 0) is not stored where the
// destination holds no entry for the parameter: its table is not lengthened for nothing.
void CopyValue(const TElement& source, TElement& dest, std::uint32_t param, std::uint8_t type) {
    switch (type) {
        case kTypeString: {
            const TextItems texts = source.Texts(param);
            std::string text = texts.empty() ? std::string() : std::string(texts.front());
            if (text.empty() && param >= dest.TextCount()) return;
            TEditLog::NoteValue(dest);
            dest.SetTexts(param, TextList{std::move(text)});
            return;
        }
        case kTypeStringArray:
            if (source.Texts(param).empty() && param >= dest.TextCount()) return;
            TEditLog::NoteValue(dest);
            dest.SetTextItems(param, source.Texts(param));
            return;
        case kTypeElementRef:
        case kTypeElementRefArray:
        case kTypeGroupRef:
        case kTypeBool:
        case kTypeSigned:
        case kTypeUnsigned:
        case kTypeListSelection:
        case kTypeBoolArray:
        case kTypeSignedArray:
        case kTypeUnsignedArray:
            break;
        default:
            return;
    }
    const NumberItems stored = source.Numbers(param);
    const bool single = type != kTypeElementRefArray && type != kTypeBoolArray &&
                        type != kTypeSignedArray && type != kTypeUnsignedArray;
    NumberList items;
    if (single)
        items.push_back(stored.empty() ? 0 : stored.front());
    else
        items.assign(stored.begin(), stored.end());
    const bool empty = items.empty() || (single && items.front() == 0);
    if (empty && param >= dest.NumberCount()) return;
    TEditLog::NoteValue(dest);
    if (IsElementRefType(type) && source.HoldsElementRefs(param)) {
        std::vector<TElement*> targets;
        for (NumberItem item : items)
            targets.push_back(TElement::AsElement(item));
        dest.SetElementRefs(param, targets);
    } else if (type == kTypeGroupRef && source.HoldsGroupRefs(param)) {
        dest.SetGroupRefs(param, {TElement::AsGroup(items.front())});
    } else {
        std::vector<std::uint32_t> values;
        for (NumberItem item : items)
            values.push_back(static_cast<std::uint32_t>(item));
        dest.SetNumbers(param, values);
    }
}

}  // namespace

std::uint32_t TBatchRunner::RunBatchSetting(const TBatchSetting& setting) {
    const TBatchData data = TBatchData::Parse(setting.dataLines);
    const bool operation = setting.type == kBatchSort || setting.type == kBatchCompareApply ||
                           setting.type == kBatchDeleteDuplicates;
    if (operation && data.NamesGone()) return kBatchNamesDeleted;
    switch (setting.type) {
        case kBatchSort:
            SortGroups(data.ascending, data.foldFlags, data.judgeParams, data.groups);
            break;
        case kBatchCompareApply:
            // An empty judge list matches everything on purpose; a stale one must not.
            if (!NamesParametersOnly(data.judgeParams)) return kBatchNoUsableJudge;
            CompareApply(data.sourceGroups, data.destGroups, data.judgeParams, data.applyParams);
            break;
        case kBatchDeleteDuplicates:
            // Without a judge every element duplicates the first: the dialog refuses that,
            // and stored items and the command line must not get round it.
            if (data.judgeParams.empty() || !NamesParametersOnly(data.judgeParams))
                return kBatchNoUsableJudge;
            DeleteDuplicates(data.targetGroups, data.judgeParams);
            break;
        default:
            break;
    }
    return kBatchRan;
}

void TBatchRunner::RunBatchList(BatchTrigger trigger, const TBatchActions& actions) {
    if (trigger >= kBatchTriggerCount) return;
    // A copy: an item's action may change the library's lists.
    const std::vector<TBatchSetting> items = library_.BatchList(trigger);
    for (const TBatchSetting& item : items) {
        if (item.type == kBatchSave) {
            if (actions.save) actions.save();
        } else if (item.type == kBatchOutput) {
            if (actions.output) actions.output();
        } else if (std::uint32_t result = RunBatchSetting(item); result != kBatchRan) {
            if (actions.skipped) actions.skipped(item, result);
        }
    }
}

std::vector<TBatchRunner::TypedParam> TBatchRunner::TypedParams(const IndexList& params) const {
    std::vector<TypedParam> typed;
    const TZQPCtrl* file = library_.ParameterFile();
    if (!file) return typed;
    for (std::uint32_t index : params) {
        if (index < file->Size()) typed.push_back({index, file->At(index)->Type()});
    }
    return typed;
}

bool TBatchRunner::NamesParametersOnly(const IndexList& params) const {
    const TZQPCtrl* file = library_.ParameterFile();
    const std::size_t count = file ? file->Size() : 0;
    return std::all_of(params.begin(), params.end(),
                       [&](std::uint32_t index) { return index < count; });
}

void TBatchRunner::ReportGroup(std::size_t index) const {
    const TGroupSetting* group = library_.GroupByNumber(index);
    if (!progress_ || !group) return;
    progress_(CoreText::Get(CoreText::kGroupCaptionOpen) + group->Name() +
              CoreText::Get(CoreText::kCloseQuote));
}

TGroupData* TBatchRunner::GroupDataAt(std::size_t group) const {
    const TGroupSetting* setting = library_.GroupByNumber(group);
    return setting ? setting->GroupData() : nullptr;
}

void TBatchRunner::SortGroups(bool ascending, unsigned foldFlags, const IndexList& keys,
                              const IndexList& groups) {
    std::vector<TElementSorter::Key> sortKeys;
    for (const TypedParam& p : TypedParams(keys))
        sortKeys.push_back({p.index, p.type});
    const TElementSorter sorter(ascending, foldFlags, std::move(sortKeys));
    for (std::uint32_t index : groups) {
        TGroupSetting* numbered = library_.GroupByNumber(index);
        if (!numbered) continue;
        ReportGroup(index);
        TGroupSetting& group = *numbered;
        if (group.Has(TGroupSetting::kReadOnly) || !group.GroupData()) continue;
        TGroupData& data = *group.GroupData();
        data.Permute(sorter.Order(data.Elements()));  // renumbers and marks the file changed
        group.Set(TGroupSetting::kChanged, true);
        group.Set(TGroupSetting::kOutputDone, false);
    }
}

TBatchRunner::Comparison TBatchRunner::CompareValues(const TElement& a, const TElement& b,
                                                     std::uint32_t param, std::uint8_t type) {
    switch (type) {
        case kTypeString: {
            const TextItems ta = a.Texts(param);
            const TextItems tb = b.Texts(param);
            std::string_view va = ta.empty() ? std::string_view() : std::string_view(ta.front());
            std::string_view vb = tb.empty() ? std::string_view() : std::string_view(tb.front());
            int order = va.compare(vb);
            return Compare3(order<0, order> 0);
        }
        case kTypeStringArray:
            return CompareTextLists(a, b, param);
        case kTypeElementRef:
            return kEqual;
        case kTypeElementRefArray:
            return CompareNumberLists(a, b, param, false);
        case kTypeBool:
        case kTypeSigned:
        case kTypeUnsigned:
        case kTypeListSelection:
            return CompareOrdered(FirstNumber(a, param), FirstNumber(b, param));
        case kTypeBoolArray:
        case kTypeSignedArray:
        case kTypeUnsignedArray:
            return CompareNumberLists(a, b, param, true);
        case kTypeGroupRef: {
            const TGroupSetting* ga = ReferencedGroup(a, param);
            const TGroupSetting* gb = ReferencedGroup(b, param);
            if (!ga || !gb) return Compare3(!ga && gb, ga && !gb);
            return CompareOrdered(ElementCount(*ga), ElementCount(*gb));
        }
        default:
            return kEqual;
    }
}

std::vector<std::size_t> TBatchRunner::FindMatchingElements(const TElement& e,
                                                            const IndexList& judgeParams,
                                                            std::size_t group) const {
    std::vector<std::size_t> matches;
    const TGroupData* data = GroupDataAt(group);
    if (!data) return matches;
    const std::vector<TypedParam> judges = TypedParams(judgeParams);
    for (std::size_t i = 0; i < data->Size(); ++i) {
        const TElement& x = *data->At(i);
        bool equal = true;
        for (const TypedParam& p : judges) {
            if (CompareValues(x, e, p.index, p.type) != kEqual) {
                equal = false;
                break;
            }
        }
        if (equal) matches.push_back(i);
    }
    return matches;
}

TGroupSetting* TBatchRunner::WritableGroup(std::size_t index) const {
    TGroupSetting* group = library_.GroupByNumber(index);
    if (!group) return nullptr;
    if (group->Has(TGroupSetting::kReadOnly) || !group->GroupData()) return nullptr;
    return group;
}

void TBatchRunner::MarkApplied(TGroupSetting& group) {
    group.Set(TGroupSetting::kChanged, true);
    group.Set(TGroupSetting::kOutputDone, false);
    group.GroupData()->MarkModified();
}

void TBatchRunner::CompareApplyByWalk(const IndexList& sourceGroups, const IndexList& destGroups,
                                      const IndexList& judgeParams, const IndexList& applyParams) {
    const std::vector<TypedParam> applies = TypedParams(applyParams);
    for (std::uint32_t source : sourceGroups) {
        const TGroupData* sourceData = GroupDataAt(source);
        if (!sourceData) continue;
        ReportGroup(source);
        for (std::size_t k = 0; k < sourceData->Size(); ++k) {
            const TElement& e = *sourceData->At(k);
            for (std::uint32_t dest : destGroups) {
                TGroupSetting* group = WritableGroup(dest);
                if (!group) continue;
                const std::vector<std::size_t> matches = FindMatchingElements(e, judgeParams, dest);
                for (std::size_t position : matches) {
                    TElement& target = *group->GroupData()->At(position);
                    for (const TypedParam& p : applies)
                        CopyValue(e, target, p.index, p.type);
                }
                if (!matches.empty()) MarkApplied(*group);
            }
        }
    }
}

// The walk's loops with the matching positions looked up by key. Copying does not move an
// element out of its match set, so keys taken before the first copy stay right to the end,
// even where sources are destinations too: no element is added or removed, a copied judge
// value equals the one it replaces on the judge's terms, and a copy never lengthens a table
// past a missing judge list (the source matched that missing list, so its own table ends
// there too and it has only empty values, which are not stored, beyond it).
void TBatchRunner::CompareApply(const IndexList& sourceGroups, const IndexList& destGroups,
                                const IndexList& judgeParams, const IndexList& applyParams) {
    const std::vector<TypedParam> applies = TypedParams(applyParams);
    std::vector<TJudgeKey::Judge> judges;
    for (const TypedParam& p : TypedParams(judgeParams))
        judges.push_back({p.index, p.type});
    const TJudgeKey keyOf(std::move(judges));

    // The destinations' keys in one table; per group data, the positions holding each key
    // as chains in ascending order (first by key number, next by position).
    struct DestIndex {
        const TGroupData* data;
        std::vector<std::uint32_t> first;
        std::vector<std::uint32_t> next;
    };
    TKeyTable keys;
    std::vector<DestIndex> indexes;
    std::string key;
    for (std::uint32_t dest : destGroups) {
        TGroupSetting* group = WritableGroup(dest);
        if (!group) continue;
        const TGroupData& data = *group->GroupData();
        if (std::any_of(indexes.begin(), indexes.end(),
                        [&](const DestIndex& index) { return index.data == &data; }))
            continue;
        DestIndex& index = indexes.emplace_back(DestIndex{&data, {}, {}});
        index.next.assign(data.Size(), TKeyTable::kNone);
        keys.Reserve(keys.Size() + data.Size());
        for (std::uint32_t i = static_cast<std::uint32_t>(data.Size()); i-- > 0;) {
            keyOf.Build(*data.At(i), key);
            bool added = false;
            const std::uint32_t number = keys.Insert(key, added);
            if (number >= index.first.size())
                index.first.resize(std::max<std::size_t>(number + 1, index.first.size() * 2),
                                   TKeyTable::kNone);
            index.next[i] = index.first[number];
            index.first[number] = i;
        }
    }
    if (indexes.empty()) return;
    // Which index each destination uses (none for a group that cannot be written); copying
    // changes neither.
    std::vector<std::pair<TGroupSetting*, const DestIndex*>> targets;
    for (std::uint32_t dest : destGroups) {
        TGroupSetting* group = WritableGroup(dest);
        if (!group) continue;
        for (const DestIndex& index : indexes)
            if (index.data == group->GroupData()) targets.emplace_back(group, &index);
    }

    for (std::uint32_t source : sourceGroups) {
        const TGroupData* sourceData = GroupDataAt(source);
        if (!sourceData) continue;
        ReportGroup(source);
        for (std::size_t k = 0; k < sourceData->Size(); ++k) {
            const TElement& e = *sourceData->At(k);
            keyOf.Build(e, key);
            const std::uint32_t number = keys.Find(key);
            if (number == TKeyTable::kNone) continue;
            for (const auto& [group, index] : targets) {
                if (number >= index->first.size() || index->first[number] == TKeyTable::kNone)
                    continue;
                for (std::uint32_t position = index->first[number]; position != TKeyTable::kNone;
                     position = index->next[position]) {
                    TElement& target = *group->GroupData()->At(position);
                    for (const TypedParam& p : applies)
                        CopyValue(e, target, p.index, p.type);
                }
                MarkApplied(*group);
            }
        }
    }
}

void TBatchRunner::DeleteDuplicatesByWalk(const IndexList& targetGroups,
                                          const IndexList& judgeParams) {
    for (std::uint32_t a : targetGroups) {
        TGroupData* groupA = GroupDataAt(a);
        if (!groupA) continue;
        ReportGroup(a);
        for (std::size_t k = 0; k < groupA->Size(); ++k) {
            const TElement* e = groupA->At(k);
            for (std::uint32_t b : targetGroups) {
                TGroupData* groupB = GroupDataAt(b);
                if (!groupB) continue;
                std::vector<std::size_t> doomed = FindMatchingElements(*e, judgeParams, b);
                std::erase_if(doomed, [&](std::size_t i) { return groupB->At(i) == e; });
                groupB->DeleteAt(doomed);
            }
        }
    }
}

// The walk keeps, of every set of matching elements, the first in target-list and position
// order and deletes the rest; one pass with a set of the keys seen so far does the same.
// Where deletions change what matches (group sizes, numbers of references), the walk runs.
void TBatchRunner::DeleteDuplicates(const IndexList& targetGroups, const IndexList& judgeParams) {
    std::vector<TJudgeKey::Judge> judges;
    for (const TypedParam& p : TypedParams(judgeParams))
        judges.push_back({p.index, p.type});
    const TJudgeKey keyOf(std::move(judges));
    if (keyOf.DependsOnOtherElements()) {
        DeleteDuplicatesByWalk(targetGroups, judgeParams);
        return;
    }
    TKeyTable seen;
    std::unordered_set<const TGroupData*> done;
    for (std::uint32_t target : targetGroups) {
        TGroupData* data = GroupDataAt(target);
        if (!data || !done.insert(data).second) continue;
        ReportGroup(target);
        data->DeleteAt(Duplicates(keyOf, *data, seen));
    }
}

// A group as large as the sorts share between the cores is cut into parts on the cores. Each
// part finds the first position of each of its keys with a table of its own; then the parts'
// first keys go to seen in order, which finds the ones an earlier part or group had: what one
// pass in position order finds.
std::vector<std::size_t> TBatchRunner::Duplicates(const TJudgeKey& keyOf, const TGroupData& data,
                                                  TKeyTable& seen) {
    const std::size_t n = data.Size();
    const std::size_t parts = PartsFor(n, TElementSorter::ParallelSortSize());
    std::vector<std::size_t> duplicates;
    std::string key;
    bool added = false;
    if (parts == 1) {
        seen.Reserve(seen.Size() + n);
        for (std::size_t i = 0; i < n; ++i) {
            keyOf.Build(*data.At(i), key);
            seen.Insert(key, added);
            if (!added) duplicates.push_back(i);
        }
        return duplicates;
    }
    struct Part {
        TKeyTable keys;                   // numbered as first met
        std::vector<std::size_t> firsts;  // the position of each
        std::vector<std::size_t> again;   // positions of keys met before in the part
    };
    std::vector<Part> found(parts);
    RunInParts(parts, [&](std::size_t p) {
        Part part;  // filled apart from the others' (they share cache lines)
        const std::size_t begin = n * p / parts, end = n * (p + 1) / parts;
        part.firsts.reserve(end - begin);  // room not filled takes no memory
        part.again.reserve(end - begin);
        std::string partKey;
        bool partAdded = false;
        for (std::size_t i = begin; i < end; ++i) {
            keyOf.Build(*data.At(i), partKey);
            part.keys.Insert(partKey, partAdded);
            (partAdded ? part.firsts : part.again).push_back(i);
        }
        found[p] = std::move(part);
    });
    std::size_t firsts = 0, again = 0;
    for (const Part& part : found) {
        firsts += part.firsts.size();
        again += part.again.size();
    }
    seen.Reserve(seen.Size() + firsts);
    duplicates.reserve(again + firsts);
    std::vector<std::size_t> seenBefore;
    for (Part& part : found) {
        seenBefore.clear();
        for (std::size_t k = 0; k < part.firsts.size(); ++k) {
            seen.Insert(part.keys.Key(static_cast<std::uint32_t>(k)), added);
            if (!added) seenBefore.push_back(part.firsts[k]);
        }
        std::merge(part.again.begin(), part.again.end(), seenBefore.begin(), seenBefore.end(),
                   std::back_inserter(duplicates));
        part = {};
    }
    return duplicates;
}

}  // namespace tabrix

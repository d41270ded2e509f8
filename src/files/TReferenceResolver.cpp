#include "files/TReferenceResolver.h"

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "files/TElementDataReader.h"
#include "files/TElementLineReader.h"
#include "model/ParamType.h"
#include "model/RunInParts.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"
#include "model/TStringDivision.h"
#include "model/TZQDCtrl.h"
#include "model/TZQLCtrl.h"
#include "model/TZQPCtrl.h"

namespace tabrix {

namespace {

// Reads a plain decimal as files hold them (at most nine digits, no sign, no leading zero,
// which would make it octal) without the general parser, which reads it alike; false for
// anything else.
bool ReadPlainDecimal(std::string_view text, std::uint32_t& value) {
    if (text.empty() || text.size() > 9 || (text[0] == '0' && text.size() > 1)) return false;
    std::uint32_t read = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        read = read * 10 + static_cast<std::uint32_t>(c - '0');
    }
    value = read;
    return true;
}

// The entry of the group data's element list an element reference names, or none.
const std::unique_ptr<TElement>* ElementEntry(const std::vector<TGroupSetting*>& groups,
                                              std::string_view item) {
    const std::size_t blank = item.find(' ');
    const std::uint32_t index = TElementLineReader::ReadNumber(item.substr(0, blank));
    const std::uint32_t group = blank == std::string_view::npos
                                    ? 0
                                    : TElementLineReader::ReadNumber(item.substr(blank + 1));
    if (group >= groups.size() || !groups[group]) return nullptr;
    const TGroupData* data = groups[group]->GroupData();
    return data && index < data->Size() ? &data->Elements()[index] : nullptr;
}

TElement* FindElement(const std::vector<TGroupSetting*>& groups, std::string_view item) {
    const std::unique_ptr<TElement>* entry = ElementEntry(groups, item);
    return entry ? entry->get() : nullptr;
}

// Asks the processor for the element list entry a look-up of the field's first item reads:
// the look-ups land all over the lists, and fetching one some references ahead hides the wait.
void PrefetchElement(const std::vector<TGroupSetting*>& groups, std::string_view field) {
    if (const auto* entry = ElementEntry(groups, field.substr(0, field.find('#'))))
        __builtin_prefetch(entry);
}

TGroupSetting* FindGroup(const std::vector<TGroupSetting*>& groups, std::string_view item) {
    std::uint32_t number = 0;
    if (!ReadPlainDecimal(item, number))
        number = static_cast<std::uint32_t>(TStringDivision::ToLong(item, 0));
    return number < groups.size() ? groups[number] : nullptr;
}

// The references first .. end-1 of the table as looked up by one part: the targets of each
// reference value back to back (trailing empty ones dropped) and the items to keep, by table
// position, for the few values naming something the library does not show.
struct ResolvedPart {
    // A reference value looked up: its table position, the end of its targets, what they are.
    struct Value {
        std::size_t ref;
        std::size_t end;
        TElement::RefKind kind;
    };
    std::size_t first = 0;
    std::size_t end = 0;
    std::vector<void*> targets;
    std::vector<Value> values;
    std::vector<std::pair<std::size_t, TElement::KeptItems>> kept;
    std::vector<std::size_t> groupCounts;  // by group number: references to the group

    template <typename Target>
    void Targets(std::size_t begin, std::size_t stop, std::vector<Target*>& out) const {
        out.clear();
        for (std::size_t t = begin; t < stop; ++t)
            out.push_back(static_cast<Target*>(targets[t]));
    }
};

// Looks up each item of a reference list: the target found goes to push (null for an empty
// item). True when an item names nothing this library shows, so the list has text to keep;
// "-1" is how a missing group reference is written: nothing to keep for itself.
template <typename Find, typename Push>
bool LookUpItems(const std::vector<std::string_view>& items, Find find, Push push) {
    bool anyKept = false;
    for (std::string_view item : items) {
        if (item.empty()) {
            push(nullptr);
        } else if (auto* target = find(item)) {
            push(target);
        } else {
            anyKept |= item != "-1";
        }
    }
    return anyKept;
}

// The items to keep of a list LookUpItems found something to keep in: the text of each item
// that names nothing, an empty entry for the others.
template <typename Find>
TElement::KeptItems KeptItemsOf(const std::vector<std::string_view>& items, Find find) {
    TElement::KeptItems kept;
    for (std::string_view item : items) {
        if (item.empty() || find(item))
            kept.emplace_back();
        else
            kept.emplace_back(std::string(item));
    }
    return kept;
}

// What TReferenceResolver::ResolveItems gives for one reference of items, into part.
template <typename Find>
void LookUp(std::size_t k, const std::vector<std::string_view>& items, TElement::RefKind kind,
            Find find, ResolvedPart& part) {
    const std::size_t start = part.targets.size();
    if (LookUpItems(items, find, [&part](void* target) { part.targets.push_back(target); }))
        part.kept.emplace_back(k, KeptItemsOf(items, find));
    while (part.targets.size() > start && part.targets.back() == nullptr)
        part.targets.pop_back();
    part.values.push_back({k, part.targets.size(), kind});
}

// Looks the references up in parts of about equal size, each on a thread of its own; nothing
// but the table's item lists, freed as they are read, is changed.
template <typename TypeOf>
std::vector<ResolvedPart> LookUpInParts(std::vector<TUnresolvedReference>& table,
                                        const std::vector<TGroupSetting*>& groups,
                                        const TStringDivision& division, std::size_t parts,
                                        TypeOf typeOf) {
    std::vector<ResolvedPart> resolved(parts);
    for (std::size_t p = 0; p < parts; ++p) {
        resolved[p].first = table.size() * p / parts;
        resolved[p].end = table.size() * (p + 1) / parts;
    }
    RunInParts(parts, [&](std::size_t p) {
        ResolvedPart& part = resolved[p];
        part.groupCounts.assign(groups.size(), 0);
        // Mostly one target a reference: grown by doubling, these would be copied and touch
        // twice the memory.
        part.values.reserve(part.end - part.first);
        part.targets.reserve(part.end - part.first);
        std::vector<std::string_view> items;
        constexpr std::size_t kAhead = 16;
        for (std::size_t k = part.first; k < part.end; ++k) {
            if (k + kAhead < part.end && IsElementRefType(typeOf(table[k + kAhead])))
                PrefetchElement(groups, table[k + kAhead].field);
            TUnresolvedReference& ref = table[k];
            const std::uint8_t type = typeOf(ref);
            if (IsElementRefType(type)) {
                TElementLineReader::CutReferenceItems(division, ref.field, items);
                LookUp(
                    k, items, TElement::RefKind::kElement,
                    [&](std::string_view item) -> void* { return FindElement(groups, item); },
                    part);
            } else if (type == kTypeGroupRef) {
                TElementLineReader::CutReferenceItems(division, ref.field, items);
                const std::size_t start = part.targets.size();
                LookUp(
                    k, items, TElement::RefKind::kGroup,
                    [&](std::string_view item) -> void* { return FindGroup(groups, item); }, part);
                for (std::size_t t = start; t < part.targets.size(); ++t) {
                    auto* group = static_cast<const TGroupSetting*>(part.targets[t]);
                    if (group && group->Number() < groups.size())
                        ++part.groupCounts[group->Number()];
                }
            }
            std::string().swap(ref.field);
        }
    });
    return resolved;
}

// Calls visit(ref, value, targets, count) for every value looked up with a target, in the order
// of the table.
template <typename Visit>
void ForEachResolved(const std::vector<ResolvedPart>& resolved,
                     const std::vector<TUnresolvedReference>& table, Visit visit) {
    for (const ResolvedPart& part : resolved) {
        std::size_t begin = 0;
        for (const ResolvedPart::Value& value : part.values) {
            if (value.end > begin)
                visit(table[value.ref], value, part.targets.data() + begin, value.end - begin);
            begin = value.end;
        }
    }
}

// Stores the targets looked up in the rooms their values were read with, each part those of
// its share of the elements, registering nothing. False when a value could not be stored so
// (it changed since it was read, or it comes twice): then the table is stored in order instead.
bool PlaceInParts(const std::vector<ResolvedPart>& resolved,
                  const std::vector<TUnresolvedReference>& table, bool anyGroups) {
    const std::size_t parts = resolved.size();
    std::atomic<bool> placed{true};
    RunInParts(parts, [&](std::size_t p) {
        ForEachResolved(
            resolved, table,
            [&](const TUnresolvedReference& ref, const ResolvedPart::Value& value,
                void* const* targets, std::size_t count) {
                if (ShareOf(ref.element, parts) != p) return;
                if (value.kind == TElement::RefKind::kElement && !anyGroups) return;
                if (!ref.element->PlaceReadTargets(ref.param, value.kind, targets, count))
                    placed.store(false, std::memory_order_relaxed);
            });
    });
    return placed.load();
}

// Stores and registers the targets looked up on this thread, in the order of the table, as
// TReferenceResolver::ResolveElementRefs and ResolveGroupRefs do. A value stored by PlaceInParts
// already is stored again the way a changed value is, registered then.
void StoreInOrder(const std::vector<ResolvedPart>& resolved,
                  const std::vector<TUnresolvedReference>& table, bool anyGroups) {
    std::vector<TElement*> elements;
    std::vector<TGroupSetting*> groups;
    for (const ResolvedPart& part : resolved) {
        std::size_t begin = 0;
        for (const ResolvedPart::Value& value : part.values) {
            const TUnresolvedReference& ref = table[value.ref];
            if (value.end == begin) continue;
            if (value.kind == TElement::RefKind::kGroup) {
                part.Targets(begin, value.end, groups);
                ref.element->StoreReadGroupRefs(ref.param, groups);
            } else if (anyGroups) {
                part.Targets(begin, value.end, elements);
                ref.element->StoreReadElementRefs(ref.param, elements);
            }
            begin = value.end;
        }
    }
}

// Registers every stored reference with its target, each part the targets of its share: each
// referrer set is filled by one part, in the order of the table, as one thread would fill it.
// A group's set is made large enough first: groups are referred to by many elements.
void RegisterInParts(const std::vector<ResolvedPart>& resolved,
                     const std::vector<TUnresolvedReference>& table,
                     const std::vector<TGroupSetting*>& groups, bool anyGroups) {
    const std::size_t parts = resolved.size();
    RunInParts(parts, [&](std::size_t p) {
        for (std::size_t g = 0; g < groups.size(); ++g) {
            if (!groups[g] || groups[g]->Number() % parts != p) continue;
            std::size_t count = 0;
            for (const ResolvedPart& part : resolved)
                count += part.groupCounts[g];
            if (count) groups[g]->Referrers().Reserve(count);
        }
        auto mine = [&](TElement::RefKind kind, const void* target) {
            if (!target) return false;
            if (kind == TElement::RefKind::kGroup)
                return static_cast<const TGroupSetting*>(target)->Number() % parts == p;
            return anyGroups && ShareOf(target, parts) == p;
        };
        auto add = [&](TElement::RefKind kind, void* target, const TUnresolvedReference& ref) {
            if (kind == TElement::RefKind::kGroup)
                static_cast<TGroupSetting*>(target)->Referrers().Add(ref.element, ref.param);
            else
                static_cast<TElement*>(target)->Referrers().Add(ref.element, ref.param);
        };
        // Each registration misses the cache (a target's links, a slot of a group's table):
        // the first target some values ahead is fetched while these are registered.
        auto fetch = [&](TElement::RefKind kind, void* target, const TUnresolvedReference& ref) {
            if (kind == TElement::RefKind::kGroup)
                static_cast<TGroupSetting*>(target)->Referrers().Prefetch(ref.element, ref.param);
            else
                static_cast<const TElement*>(target)->PrefetchLinks();
        };
        constexpr std::size_t kAhead = 16;
        for (const ResolvedPart& part : resolved) {
            const std::vector<ResolvedPart::Value>& values = part.values;
            std::size_t begin = 0;
            for (std::size_t j = 0; j < values.size(); ++j) {
                if (j + kAhead < values.size()) {
                    const ResolvedPart::Value& ahead = values[j + kAhead];
                    const std::size_t first = values[j + kAhead - 1].end;
                    if (ahead.end > first && mine(ahead.kind, part.targets[first]))
                        fetch(ahead.kind, part.targets[first], table[ahead.ref]);
                }
                const ResolvedPart::Value& value = values[j];
                for (std::size_t t = begin; t < value.end; ++t)
                    if (mine(value.kind, part.targets[t]))
                        add(value.kind, part.targets[t], table[value.ref]);
                begin = value.end;
            }
        }
    });
}

}  // namespace

void TReferenceResolver::Resolve() {
    keptReferences_.clear();
    // References name groups by their numbers in the file, held records counted.
    const std::vector<TGroupSetting*> numbered = library_.ByNumber();
    const TZQPCtrl* parameterFile = library_.ParameterFile();
    auto typeOf = [parameterFile](const TUnresolvedReference& ref) -> std::uint8_t {
        if (!parameterFile || ref.param >= parameterFile->Size()) return kTypeString;
        return parameterFile->At(ref.param)->Type();
    };
    // A reference takes some 64 bytes of element lines: many are resolved in parts, as the
    // lines were decoded.
    const std::size_t parts =
        PartsFor(references_.size(), TElementDataReader::ParallelReadThreshold() / 64);
    if (parts > 1) {
        // The look-ups run in parts and change nothing; then the targets are stored in parts
        // by referring element, and registered in parts by target.
        std::vector<ResolvedPart> resolved =
            LookUpInParts(references_, numbered, library_.Division(), parts, typeOf);
        const bool anyGroups = library_.GroupCount() > 0;
        if (PlaceInParts(resolved, references_, anyGroups))
            RegisterInParts(resolved, references_, numbered, anyGroups);
        else
            StoreInOrder(resolved, references_, anyGroups);
        for (ResolvedPart& part : resolved)
            for (auto& [k, items] : part.kept)
                keptReferences_.push_back(
                    {references_[k].element, references_[k].param, std::move(items)});
    } else {
        for (const TUnresolvedReference& ref : references_) {
            std::uint8_t type = typeOf(ref);
            if (IsElementRefType(type))
                ResolveElementRefs(ref, numbered);
            else if (type == kTypeGroupRef)
                ResolveGroupRefs(ref, numbered);
        }
    }
    // Kept items go on after the values are stored, which would drop them.
    for (KeptReference& kept : keptReferences_)
        kept.element->KeepReferenceItems(kept.param, std::move(kept.items));
    keptReferences_.clear();
    // Its capacity too: a large library's table is big. (Assigning {} would keep it: that picks
    // the initializer-list assignment, which only clears.)
    std::vector<TUnresolvedReference>().swap(references_);
    // The files read for this library were decoded against its group list as it is now.
    std::vector<const TGroupData*> context;
    for (const TGroupSetting* group : numbered)
        context.push_back(group ? group->GroupData() : nullptr);
    for (TZQDCtrl* file : filesRead_)
        file->SetReadContext(&library_, context);
    filesRead_.clear();
}

namespace {

template <typename T>
void DropTrailingNulls(std::vector<T*>& list) {
    while (!list.empty() && list.back() == nullptr)
        list.pop_back();
}

// A reused target list does not keep the room of one huge reference list for good.
template <typename T>
void ReleaseIfLarge(std::vector<T>& list) {
    if (list.capacity() > 4096) std::vector<T>().swap(list);
}

}  // namespace

// Resolves the items of one reference list with lookup (item text -> target or null). An
// empty item stands for no target; an item that names nothing this library shows is kept as
// its text, so that a save writes it back unchanged rather than lose it.
template <typename Target, typename Lookup>
void TReferenceResolver::ResolveItems(const TUnresolvedReference& ref, Lookup lookup,
                                      std::vector<Target*>& targets) {
    thread_local std::vector<std::string_view> items;  // reused: one list per reference read
    TElementLineReader::CutReferenceItems(library_.Division(), ref.field, items);
    // The kept list is built only for the rare list that has something to keep.
    targets.reserve(items.size());
    if (LookUpItems(items, lookup, [&targets](Target* target) { targets.push_back(target); }))
        keptReferences_.push_back({ref.element, ref.param, KeptItemsOf(items, lookup)});
    ReleaseIfLarge(items);
    DropTrailingNulls(targets);
}

void TReferenceResolver::ResolveElementRefs(const TUnresolvedReference& ref,
                                            const std::vector<TGroupSetting*>& numbered) {
    auto lookup = [&numbered](std::string_view item) { return FindElement(numbered, item); };
    thread_local std::vector<TElement*> targets;  // reused: one list per reference read
    targets.clear();
    ResolveItems(ref, lookup, targets);
    if (!targets.empty() && library_.GroupCount() > 0)
        ref.element->StoreReadElementRefs(ref.param, targets);
    ReleaseIfLarge(targets);
}

void TReferenceResolver::ResolveGroupRefs(const TUnresolvedReference& ref,
                                          const std::vector<TGroupSetting*>& numbered) {
    auto lookup = [&numbered](std::string_view item) { return FindGroup(numbered, item); };
    thread_local std::vector<TGroupSetting*> targets;
    targets.clear();
    ResolveItems(ref, lookup, targets);
    if (!targets.empty()) ref.element->StoreReadGroupRefs(ref.param, targets);
    ReleaseIfLarge(targets);
}

}  // namespace tabrix

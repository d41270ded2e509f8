#include "batch/TElementSorter.h"

#include <algorithm>
#include <optional>

#include "batch/TBatchData.h"
#include "batch/TTextFolder.h"
#include "batch/TTextRanker.h"
#include "model/FilledLater.h"
#include "model/ParamType.h"
#include "model/TGroupData.h"
#include "model/TGroupSetting.h"

namespace tabrix {

namespace {

std::uint32_t FirstNumber(const TElement& e, std::uint32_t param) {
    const NumberItems numbers = e.Numbers(param);
    return numbers.empty() ? 0 : static_cast<std::uint32_t>(numbers.front());
}

// The number of elements of the group a group reference names, or none.
std::optional<std::size_t> ReferencedGroupSize(const TElement& e, std::uint32_t param) {
    const NumberItems numbers = e.Numbers(param);
    if (numbers.empty() || numbers.front() == 0 || !e.HoldsGroupRefs(param)) return std::nullopt;
    const TGroupData* data = TElement::AsGroup(numbers.front())->GroupData();
    return data ? data->Size() : 0;
}

template <typename T>
int Sign(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Compares two number lists item by item after equal counts.
template <typename T>
int CompareItems(NumberItems a, NumberItems b) {
    for (std::size_t k = 0; k < a.size(); ++k) {
        int order = Sign(static_cast<T>(a[k]), static_cast<T>(b[k]));
        if (order != 0) return order;
    }
    return 0;
}

}  // namespace

// The elements being sorted with their text keys: views into the elements' own texts, or
// into folded copies made once per element.
class TElementSorter::Table {
public:
    Table(const TElementSorter& sorter, const std::vector<const TElement*>& elements)
        : sorter_(sorter), elements_(elements) {
        for (const Key& key : sorter.keys_) {
            if (IsTextType(key.type)) ++textKeys_;
        }
        if (textKeys_ != 0) CollectTexts();
    }

    bool Precedes(std::uint32_t a, std::uint32_t b) const {
        std::size_t textKey = 0;
        for (const Key& key : sorter_.keys_) {
            Verdict verdict = IsTextType(key.type) ? CompareTextKey(a, b, key, textKey++)
                                                   : CompareNumberKey(a, b, key);
            if (verdict != Verdict::kUndecided) return verdict == Verdict::kBefore;
        }
        return false;
    }

private:
    struct Slot {
        std::uint32_t start = 0;
        std::uint32_t count = 0;
        bool present = false;
        std::uint64_t prefix = 0;  // of the first text, kept here to save a cache miss
    };

    void CollectTexts() {
        const bool folding = sorter_.foldFlags_ != kFoldNone;
        if (folding) {
            std::size_t total = 0;
            for (const TElement* e : elements_) {
                for (const Key& key : sorter_.keys_) {
                    if (IsTextType(key.type))
                        total += std::max<std::size_t>(1, e->Texts(key.param).size());
                }
            }
            folded_.reserve(total);  // never reallocated: the views below point into it
        }
        slots_.reserve(elements_.size() * textKeys_);
        for (const TElement* e : elements_) {
            for (const Key& key : sorter_.keys_) {
                if (!IsTextType(key.type)) continue;
                Slot slot;
                slot.start = static_cast<std::uint32_t>(views_.size());
                slot.present = key.param < e->TextCount();
                const TextItems texts = e->Texts(key.param);
                if (key.type == kTypeString) {
                    AddView(texts.empty() ? std::string_view() : std::string_view(texts.front()),
                            folding);
                    slot.count = 1;
                    slot.prefix = prefixes_.back();
                } else {
                    for (std::string_view text : texts)
                        AddView(text, folding);
                    slot.count = static_cast<std::uint32_t>(texts.size());
                }
                slots_.push_back(slot);
            }
        }
    }

    void AddView(std::string_view text, bool folding) {
        if (folding) {
            folded_.emplace_back();
            TTextFolder::FoldInto(text, sorter_.foldFlags_, folded_.back());
            text = folded_.back();
        }
        views_.push_back(text);
        prefixes_.push_back(PrefixOf(text));
    }

    // The first eight bytes, big-endian, zero-padded: ordering two keys by their prefixes
    // gives the byte order of the texts whenever the prefixes differ, without touching the
    // texts themselves (scattered in memory). Equal prefixes leave it to the full comparison.
    static std::uint64_t PrefixOf(std::string_view text) {
        std::uint64_t prefix = 0;
        for (std::size_t i = 0; i < 8; ++i) {
            prefix <<= 8;
            if (i < text.size()) prefix |= static_cast<unsigned char>(text[i]);
        }
        return prefix;
    }

    int CompareViews(std::uint32_t a, std::uint32_t b) const {
        if (prefixes_[a] != prefixes_[b]) return prefixes_[a] < prefixes_[b] ? -1 : 1;
        return views_[a].compare(views_[b]);
    }

    Verdict CompareTextKey(std::uint32_t a, std::uint32_t b, const Key& key,
                           std::size_t textKey) const {
        const Slot& sa = slots_[a * textKeys_ + textKey];
        const Slot& sb = slots_[b * textKeys_ + textKey];
        if (key.type == kTypeString) {
            if (sa.prefix != sb.prefix)
                return sorter_.Decide(sa.prefix<sb.prefix, sa.prefix> sb.prefix);
            int order = views_[sa.start].compare(views_[sb.start]);
            return sorter_.Decide(order<0, order> 0);
        }
        if (!sa.present || !sb.present) return sorter_.MissingList(sa.present, sb.present);
        if (sa.count != sb.count) return sorter_.Decide(sa.count<sb.count, sa.count> sb.count);
        for (std::uint32_t k = 0; k < sa.count; ++k) {
            int order = CompareViews(sa.start + k, sb.start + k);
            if (order != 0) return sorter_.Decide(order<0, order> 0);
        }
        return Verdict::kUndecided;
    }

    Verdict CompareNumberKey(std::uint32_t a, std::uint32_t b, const Key& key) const {
        const TElement& ea = *elements_[a];
        const TElement& eb = *elements_[b];
        const std::uint32_t p = key.param;
        switch (key.type) {
            case kTypeElementRef:
                return Verdict::kUndecided;
            case kTypeBool:
            case kTypeUnsigned:
            case kTypeListSelection:
                return Decide(Sign(FirstNumber(ea, p), FirstNumber(eb, p)));
            case kTypeSigned:
                return Decide(Sign(static_cast<std::int32_t>(FirstNumber(ea, p)),
                                   static_cast<std::int32_t>(FirstNumber(eb, p))));
            case kTypeElementRefArray:
            case kTypeBoolArray:
            case kTypeUnsignedArray:
            case kTypeSignedArray:
                return CompareNumberLists(ea, eb, key);
            case kTypeGroupRef:
                return CompareGroupRefs(ea, eb, p);
            default:
                return Verdict::kUndecided;
        }
    }

    Verdict CompareNumberLists(const TElement& ea, const TElement& eb, const Key& key) const {
        const bool aHas = key.param < ea.NumberCount();
        const bool bHas = key.param < eb.NumberCount();
        if (!aHas || !bHas) return sorter_.MissingList(aHas, bHas);
        const NumberItems la = ea.Numbers(key.param);
        const NumberItems lb = eb.Numbers(key.param);
        if (la.size() != lb.size()) return Decide(Sign(la.size(), lb.size()));
        // The references of an element reference array are not compared.
        if (key.type == kTypeElementRefArray) return Verdict::kUndecided;
        if (key.type == kTypeSignedArray) return Decide(CompareItems<std::int32_t>(la, lb));
        return Decide(CompareItems<std::uint32_t>(la, lb));
    }

    // A reference to no group comes first in either direction.
    Verdict CompareGroupRefs(const TElement& ea, const TElement& eb, std::uint32_t p) const {
        std::optional<std::size_t> a = ReferencedGroupSize(ea, p);
        std::optional<std::size_t> b = ReferencedGroupSize(eb, p);
        if (!b) return Verdict::kAfter;
        if (!a) return Verdict::kBefore;
        return Decide(Sign(*a, *b));
    }

    Verdict Decide(int order) const { return sorter_.Decide(order<0, order> 0); }

    const TElementSorter& sorter_;
    const std::vector<const TElement*>& elements_;
    std::size_t textKeys_ = 0;
    std::vector<Slot> slots_;
    std::vector<std::string_view> views_;
    std::vector<std::uint64_t> prefixes_;  // PrefixOf each view
    std::vector<std::string> folded_;
};

TElementSorter::TElementSorter(bool ascending, unsigned foldFlags, std::vector<Key> keys)
    : keys_(std::move(keys)), foldFlags_(foldFlags), ascending_(ascending) {}

TElementSorter::Verdict TElementSorter::Decide(bool less, bool greater) const {
    if (less) return ascending_ ? Verdict::kBefore : Verdict::kAfter;
    if (greater) return ascending_ ? Verdict::kAfter : Verdict::kBefore;
    return Verdict::kUndecided;
}

// A missing list stands before any stored one (an empty one included) in ascending order;
// when both are missing neither precedes the other and no later key is asked.
TElementSorter::Verdict TElementSorter::MissingList(bool aHas, bool bHas) const {
    if (!aHas && !bHas) return Verdict::kAfter;
    if (!aHas) return ascending_ ? Verdict::kBefore : Verdict::kAfter;
    return ascending_ ? Verdict::kAfter : Verdict::kBefore;
}

bool TElementSorter::SortPrecedes(const TElement& a, const TElement& b) const {
    std::vector<const TElement*> pair = {&a, &b};
    Table table(*this, pair);
    return table.Precedes(0, 1);
}

std::vector<std::uint32_t> TElementSorter::Order(
    const std::vector<std::unique_ptr<TElement>>& elements) const {
    if (keys_.size() == 1 && keys_[0].type == kTypeString) return OrderByRanks(elements);
    std::vector<const TElement*> items;
    items.reserve(elements.size());
    for (const auto& e : elements)
        items.push_back(e.get());
    std::vector<std::uint32_t> order(elements.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    Table table(*this, items);
    SortPositions(order,
                  [&table](std::uint32_t a, std::uint32_t b) { return table.Precedes(a, b); });
    return order;
}

// The key texts of elements first .. last, folded into blocks of the part's own when the sort
// folds. A block is never moved nor filled ahead, so each text is folded straight into its
// place and its view made at once.
void TElementSorter::CollectKeyTexts(const std::vector<std::unique_ptr<TElement>>& elements,
                                     std::size_t first, std::size_t last,
                                     std::span<std::string_view> texts,
                                     FoldedBlocks& folded) const {
    const std::uint32_t param = keys_[0].param;
    auto keyText = [&](std::size_t i) {
        const TextItems items = elements[i]->Texts(param);
        return items.empty() ? std::string_view() : std::string_view(items.front());
    };
    if (foldFlags_ == kFoldNone) {
        for (std::size_t i = first; i < last; ++i)
            texts[i] = keyText(i);
        return;
    }
    constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
    char* at = nullptr;
    std::size_t room = 0;
    for (std::size_t i = first; i < last; ++i) {
        const std::string_view text = keyText(i);
        const std::size_t most = TTextFolder::MaxFoldedSize(text.size(), foldFlags_);
        if (most > room) {
            room = std::max(kBlockBytes, most);
            folded.push_back(std::make_unique_for_overwrite<char[]>(room));
            at = folded.back().get();
        }
        char* end = TTextFolder::FoldTo(text, foldFlags_, at);
        const auto size = static_cast<std::size_t>(end - at);
        texts[i] = std::string_view(at, size);
        at = end;
        room -= size;
    }
}

// With one string key every text is ranked first, in parts on the cores; the quicksort then
// compares ranks, which decide each comparison exactly as the texts would, so the order, equal
// keys included, is the one comparing texts gives. Ranks are two integers side by side where
// texts lie scattered in memory.
std::vector<std::uint32_t> TElementSorter::OrderByRanks(
    const std::vector<std::unique_ptr<TElement>>& elements) const {
    const std::size_t n = elements.size();
    const std::size_t parallelSize = parallelSortSize_.load(std::memory_order_relaxed);
    const std::size_t parts = PartsFor(n, parallelSize);
    std::vector<std::uint32_t> ranks;
    {
        FilledLater<std::string_view> texts(n);  // each part fills its own
        std::vector<FoldedBlocks> folded(parts);
        RunInParts(parts, [&](std::size_t part) {
            CollectKeyTexts(elements, n * part / parts, n * (part + 1) / parts, texts,
                            folded[part]);
        });
        ranks = TTextRanker::Rank(texts, parallelSize);
    }
    // Ranks run from 0 without a gap: when the greatest is n - 1, every key differs (names as a
    // rule), only one order sorts them, and it is written down from the ranks directly.
    if (n > 0 && *std::max_element(ranks.begin(), ranks.end()) == n - 1) {
        std::vector<std::uint32_t> order(n);
        RunInParts(parts, [&](std::size_t part) {
            for (std::size_t i = n * part / parts; i < n * (part + 1) / parts; ++i)
                order[ascending_ ? ranks[i] : n - 1 - ranks[i]] = static_cast<std::uint32_t>(i);
        });
        return order;
    }
    struct Ranked {
        std::uint32_t rank;
        std::uint32_t position;
    };
    std::vector<Ranked> records(n);
    for (std::uint32_t i = 0; i < n; ++i)
        records[i] = {ranks[i], i};
    std::vector<std::uint32_t>().swap(ranks);  // freed before the sort needs its memory
    const bool ascending = ascending_;
    Sort(records, [ascending](const Ranked& a, const Ranked& b) {
        return ascending ? a.rank < b.rank : b.rank < a.rank;
    });
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = records[i].position;
    return order;
}

}  // namespace tabrix

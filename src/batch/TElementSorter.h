// Orders the elements of a group by key parameters: the sort's comparison rules and its
// median-of-three quicksort with a final insertion sort.
//
// The quicksort is not stable; the exact algorithm decides where elements that are equal on
// every key end up, and libraries sorted before expect the same order again. Text keys are
// folded once per element before the sort rather than in every comparison.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/RunInParts.h"
#include "model/TElement.h"

namespace tabrix {

class TElementSorter {
public:
    struct Key {
        std::uint32_t param;
        std::uint8_t type;
    };

    TElementSorter(bool ascending, unsigned foldFlags, std::vector<Key> keys);

    // True when a is to stand before b (texts folded here, for single comparisons).
    bool SortPrecedes(const TElement& a, const TElement& b) const;
    // The sorted order of the list: the old position of each element, in the new order.
    std::vector<std::uint32_t> Order(const std::vector<std::unique_ptr<TElement>>& elements) const;

    // The algorithm itself over positions 0 .. n-1 of some table: reorders order so that the
    // result is exactly what the quicksort gives with precedes(x, y) as "x before y". The
    // partition scans are bounded, so even a comparison that is not a consistent ordering
    // cannot make them leave the range; for a consistent one the bounds never take effect.
    template <typename Precedes>
    static void SortPositions(std::vector<std::uint32_t>& order, const Precedes& precedes);

    // From this many items on a sort runs on two threads; the comparison must then be safe to
    // call from both. Tests set it to compare the two ways.
    static std::size_t ParallelSortSize() { return parallelSortSize_.load(); }
    static void SetParallelSortSize(std::size_t items) { parallelSortSize_.store(items); }

private:
    enum class Verdict { kUndecided, kBefore, kAfter };

    class Table;

    // The algorithm works on positions or on records carrying their position: the same
    // comparisons give the same permutation.
    static constexpr std::size_t kInsertionRange = 16;
    // Below this many items a sort stays on one thread.
    static inline std::atomic<std::size_t> parallelSortSize_{65536};

    template <typename Item, typename Precedes>
    static void Sort(std::vector<Item>& v, const Precedes& precedes);
    template <typename Item, typename Precedes>
    static std::size_t Partition(std::vector<Item>& v, std::size_t first, std::size_t last,
                                 const Precedes& precedes);
    template <typename Item, typename Precedes>
    static void QuickSortLoop(std::vector<Item>& v, std::size_t first, std::size_t last,
                              const Precedes& precedes);
    template <typename Item, typename Precedes>
    static void InsertionSort(std::vector<Item>& v, std::size_t first, std::size_t last,
                              const Precedes& precedes);
    // Order for a single string key, through the ranks of its texts.
    std::vector<std::uint32_t> OrderByRanks(
        const std::vector<std::unique_ptr<TElement>>& elements) const;
    using FoldedBlocks = std::vector<std::unique_ptr<char[]>>;
    void CollectKeyTexts(const std::vector<std::unique_ptr<TElement>>& elements, std::size_t first,
                         std::size_t last, std::span<std::string_view> texts,
                         FoldedBlocks& folded) const;

    Verdict Decide(bool less, bool greater) const;
    Verdict MissingList(bool aHas, bool bHas) const;

    std::vector<Key> keys_;
    unsigned foldFlags_;
    bool ascending_;
};

template <typename Precedes>
void TElementSorter::SortPositions(std::vector<std::uint32_t>& order, const Precedes& precedes) {
    Sort(order, precedes);
}

// Partitions first .. last around the median of its first, middle and last element and
// returns the cut: nothing before it follows the pivot, nothing from it on precedes it. A cut
// at first or last is only reached by a comparison that contradicts itself.
template <typename Item, typename Precedes>
std::size_t TElementSorter::Partition(std::vector<Item>& v, std::size_t first, std::size_t last,
                                      const Precedes& precedes) {
    Item a = v[first], b = v[first + (last - first) / 2], c = v[last - 1];
    Item pivot;
    if (precedes(a, b))
        pivot = precedes(b, c) ? b : (precedes(a, c) ? c : a);
    else
        pivot = precedes(a, c) ? a : (precedes(b, c) ? c : b);

    std::size_t lo = first, hi = last;
    for (;;) {
        while (lo < last && precedes(v[lo], pivot))
            ++lo;
        --hi;
        while (hi > first && precedes(pivot, v[hi]))
            --hi;
        if (!(lo < hi)) break;
        std::swap(v[lo], v[hi]);
        ++lo;
    }
    return lo;
}

// Ranges of more than 16 are partitioned; smaller ranges are left for the final insertion
// sort. The smaller part is sorted recursively and the loop goes on with the larger, so the
// stack stays shallow.
template <typename Item, typename Precedes>
void TElementSorter::QuickSortLoop(std::vector<Item>& v, std::size_t first, std::size_t last,
                                   const Precedes& precedes) {
    while (last - first > kInsertionRange) {
        const std::size_t cut = Partition(v, first, last, precedes);
        if (cut == first || cut == last) {
            // Only a comparison that contradicts itself gets here: finish this range
            // without partitioning, so that the loop still ends.
            InsertionSort(v, first, last, precedes);
            return;
        }
        if (cut - first < last - cut) {
            QuickSortLoop(v, first, cut, precedes);
            first = cut;
        } else {
            QuickSortLoop(v, cut, last, precedes);
            last = cut;
        }
    }
}

// The whole sort. A large range is partitioned once, exactly as the loop would, and the loop
// runs on its two parts on two threads; each part's order depends only on its own items, and
// the final insertion sort runs over the whole as before, so the permutation is the one-thread
// one whatever the comparison does.
template <typename Item, typename Precedes>
void TElementSorter::Sort(std::vector<Item>& v, const Precedes& precedes) {
    const std::size_t n = v.size();
    if (PartsFor(n, parallelSortSize_.load(std::memory_order_relaxed)) == 1) {
        QuickSortLoop(v, 0, n, precedes);
    } else if (const std::size_t cut = Partition(v, 0, n, precedes); cut == 0 || cut == n) {
        InsertionSort(v, 0, n, precedes);  // what the loop does with such a cut
    } else {
        RunInParts(2, [&](std::size_t part) {
            if (part == 0)
                QuickSortLoop(v, 0, cut, precedes);
            else
                QuickSortLoop(v, cut, n, precedes);
        });
    }
    InsertionSort(v, 0, n, precedes);
}

// Each element moves down past those it precedes. After the quicksort loop nothing has to
// move further than its own range of at most 16, so this is quick; the bound at first only
// matters for a comparison that contradicts itself.
template <typename Item, typename Precedes>
void TElementSorter::InsertionSort(std::vector<Item>& v, std::size_t first, std::size_t last,
                                   const Precedes& precedes) {
    for (std::size_t i = first + 1; i < last; ++i) {
        Item value = v[i];
        std::size_t j = i;
        while (j > first && precedes(value, v[j - 1])) {
            v[j] = v[j - 1];
            --j;
        }
        v[j] = value;
    }
}

}  // namespace tabrix

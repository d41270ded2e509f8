// The iteration counters of one top-level run: one per (element, parameter position), created
// at 0 the first time the parameter of that element is referenced. Arrays, element reference
// arrays and group references advance theirs as their items are taken.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace tabrix {

class TElement;

class TCounterMap {
public:
    // The counter, created at 0 when missing. The reference is valid until the next call.
    // Runs look counters up for every array item they take, so the common short search is
    // inline.
    std::uint32_t& At(const TElement* element, std::uint32_t position) {
        if (entries_.size() > kLinearLimit) return AtIndexed(element, position);
        for (Entry& entry : entries_)
            if (entry.element == element && entry.position == position) return entry.counter;
        return Add(element, position);
    }
    std::optional<std::uint32_t> Find(const TElement* element, std::uint32_t position) const;
    // Forgets every counter but keeps the storage for the next run.
    void Clear();
    std::size_t Size() const { return entries_.size(); }

private:
    // Most runs touch a handful of counters; a linear search beats hashing until there are
    // more than this many.
    static constexpr std::size_t kLinearLimit = 16;

    struct Entry {
        const TElement* element;
        std::uint32_t position;
        std::uint32_t counter;
    };
    struct KeyHash {
        std::size_t operator()(const std::pair<const TElement*, std::uint32_t>& key) const {
            return std::hash<const void*>()(key.first) ^
                   (std::size_t{key.second} * 0x9E3779B97F4A7C15u);
        }
    };

    std::optional<std::size_t> IndexOf(const TElement* element, std::uint32_t position) const;
    std::uint32_t& AtIndexed(const TElement* element, std::uint32_t position);
    // Appends a counter at 0 (it must be missing).
    std::uint32_t& Add(const TElement* element, std::uint32_t position);

    std::vector<Entry> entries_;
    std::unordered_map<std::pair<const TElement*, std::uint32_t>, std::size_t, KeyHash> index_;
};

}  // namespace tabrix

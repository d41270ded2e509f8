// A set of byte-string keys, each given a number in the order the keys are first added. The
// keys lie back to back in one buffer and the table is a flat array of (hash tag, number)
// slots, so a million keys cost two allocations rather than one node and one string each,
// and a lookup touches one slot and one key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tabrix {

class TKeyTable {
public:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    // The number of key, adding it (numbers count up from 0) when it is new; added tells
    // which of the two happened.
    std::uint32_t Insert(std::string_view key, bool& added);
    // The number of key, or kNone when it was never added.
    std::uint32_t Find(std::string_view key) const;
    std::size_t Size() const { return entries_.size(); }
    // The key given number.
    std::string_view Key(std::uint32_t number) const {
        const Entry& entry = entries_[number];
        return std::string_view(bytes_).substr(entry.offset, entry.length);
    }
    // Makes room for count keys in all, so that adding them does not rehash.
    void Reserve(std::size_t count);

    static std::uint64_t Hash(std::string_view key);

private:
    struct Entry {
        std::uint64_t hash;
        std::size_t offset;  // in bytes_
        std::uint32_t length;
    };
    // The slot holding key, or the empty slot where it would go.
    std::size_t SlotOf(std::string_view key, std::uint64_t hash) const;
    void Rehash(std::size_t slotCount);

    // A slot is 0 when empty, else the hash's upper half above the key's number plus one.
    std::vector<std::uint64_t> slots_;
    std::vector<Entry> entries_;
    std::string bytes_;
};

}  // namespace tabrix

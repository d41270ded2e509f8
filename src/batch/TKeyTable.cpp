#include "batch/TKeyTable.h"

#include <algorithm>
#include <cstring>

namespace tabrix {

namespace {

// The 128-bit product of a and b folded to 64 bits: mixes every input bit into the result.
std::uint64_t Mix(std::uint64_t a, std::uint64_t b) {
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

std::uint64_t Load64(const char* at) {
    std::uint64_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

constexpr std::uint64_t kSeed = 0x9E3779B97F4A7C15u;
constexpr std::uint64_t kChunk = 0xBF58476D1CE4E5B9u;
constexpr std::uint64_t kTail = 0x94D049BB133111EBu;

std::uint64_t TagOf(std::uint64_t hash) {
    return hash & 0xFFFFFFFF00000000u;
}

}  // namespace

// Eight bytes at a time through a multiply-fold; judge keys are short and this is most of the
// cost of adding one.
std::uint64_t TKeyTable::Hash(std::string_view key) {
    const char* at = key.data();
    std::size_t left = key.size();
    std::uint64_t hash = kSeed ^ key.size();
    for (; left >= 8; at += 8, left -= 8)
        hash = Mix(hash ^ Load64(at), kChunk);
    std::uint64_t tail = 0;
    if (left) std::memcpy(&tail, at, left);
    return Mix(hash ^ tail, kTail);
}

std::size_t TKeyTable::SlotOf(std::string_view key, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    const std::uint64_t tag = TagOf(hash);
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t held = slots_[slot];
        if (held == 0) return slot;
        if (TagOf(held) != tag) continue;
        const Entry& entry = entries_[(held & 0xFFFFFFFFu) - 1];
        if (entry.hash == hash && entry.length == key.size() &&
            std::memcmp(bytes_.data() + entry.offset, key.data(), key.size()) == 0)
            return slot;
    }
}

std::uint32_t TKeyTable::Insert(std::string_view key, bool& added) {
    // At most half the slots are used, so probes stay short.
    if ((entries_.size() + 1) * 2 > slots_.size())
        Rehash(std::max<std::size_t>(64, slots_.size() * 2));
    const std::uint64_t hash = Hash(key);
    const std::size_t slot = SlotOf(key, hash);
    added = slots_[slot] == 0;
    if (!added) return static_cast<std::uint32_t>((slots_[slot] & 0xFFFFFFFFu) - 1);
    const auto number = static_cast<std::uint32_t>(entries_.size());
    entries_.push_back({hash, bytes_.size(), static_cast<std::uint32_t>(key.size())});
    bytes_.append(key);
    slots_[slot] = TagOf(hash) | (number + 1u);
    return number;
}

std::uint32_t TKeyTable::Find(std::string_view key) const {
    if (slots_.empty()) return kNone;
    const std::uint64_t held = slots_[SlotOf(key, Hash(key))];
    return held == 0 ? kNone : static_cast<std::uint32_t>((held & 0xFFFFFFFFu) - 1);
}

void TKeyTable::Reserve(std::size_t count) {
    if (count > entries_.capacity()) entries_.reserve(std::max(count, entries_.capacity() * 2));
    std::size_t slotCount = 64;
    while (slotCount < count * 2)
        slotCount *= 2;
    if (slotCount > slots_.size()) Rehash(slotCount);
}

void TKeyTable::Rehash(std::size_t slotCount) {
    slots_.assign(slotCount, 0);
    const std::size_t mask = slotCount - 1;
    for (std::size_t number = 0; number < entries_.size(); ++number) {
        std::size_t slot = entries_[number].hash & mask;
        while (slots_[slot] != 0)
            slot = (slot + 1) & mask;
        slots_[slot] = TagOf(entries_[number].hash) | (number + 1);
    }
}

}  // namespace tabrix

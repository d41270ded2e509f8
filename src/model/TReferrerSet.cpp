#include "model/TReferrerSet.h"

#include <algorithm>
#include <bit>

namespace tabrix {

std::size_t TReferrerSet::SlotOf(const TReferrer& r) const {
    return SlotOf(r.element, r.param);
}

std::size_t TReferrerSet::SlotOf(const TElement* element, std::uint32_t param) const {
    auto bits = reinterpret_cast<std::uintptr_t>(element) ^ (std::uint64_t{param} << 48);
    bits *= 0x9E3779B97F4A7C15ULL;  // Fibonacci hashing spreads the aligned addresses
    return static_cast<std::size_t>(bits >> 20) & (capacity_ - 1);
}

void TReferrerSet::Prefetch(const TElement* element, std::uint32_t param) const {
    if (!slots_) return;
    __builtin_prefetch(slots_.get() + (Hashed() ? SlotOf(element, param) : 0), 1);
}

void TReferrerSet::Add(TElement* element, std::uint32_t param) {
    const TReferrer r{element, param};
    if (!Hashed()) {
        TReferrer* end = slots_.get() + size_;
        if (std::find(slots_.get(), end, r) != end) return;
        if (size_ < kLinearLimit) {
            // Most elements are referred to once: room for one, then doubling, never past the
            // small limit (a larger array would count as a hash table).
            if (size_ == capacity_)
                Grow(std::clamp<std::size_t>(std::size_t{capacity_} * 2, 1, kLinearLimit));
            slots_[size_++] = r;
            return;
        }
        Rehash(kLinearLimit * 4);
    } else if ((std::size_t{size_} + 1) * 4 > std::size_t{capacity_} * 3) {
        Rehash(std::size_t{capacity_} * 2);
    }
    InsertHashed(r);
}

void TReferrerSet::InsertHashed(const TReferrer& r) {
    const std::size_t mask = capacity_ - 1;
    for (std::size_t s = SlotOf(r);; s = (s + 1) & mask) {
        if (slots_[s].element == nullptr) {
            slots_[s] = r;
            ++size_;
            return;
        }
        if (slots_[s] == r) return;
    }
}

void TReferrerSet::Remove(TElement* element, std::uint32_t param) {
    const TReferrer r{element, param};
    if (!Hashed()) {
        TReferrer* end = slots_.get() + size_;
        TReferrer* found = std::find(slots_.get(), end, r);
        if (found == end) return;
        *found = slots_[--size_];
        return;
    }
    const std::size_t mask = capacity_ - 1;
    std::size_t hole = SlotOf(r);
    while (!(slots_[hole] == r)) {
        if (slots_[hole].element == nullptr) return;
        hole = (hole + 1) & mask;
    }
    // Backward-shift deletion: entries after the hole that would no longer be found past it
    // move into it, so no tombstones are needed.
    for (std::size_t next = (hole + 1) & mask; slots_[next].element; next = (next + 1) & mask) {
        std::size_t home = SlotOf(slots_[next]);
        if (((next - home) & mask) >= ((next - hole) & mask)) {
            slots_[hole] = slots_[next];
            hole = next;
        }
    }
    slots_[hole] = {};
    --size_;
}

void TReferrerSet::Reserve(std::size_t n) {
    std::size_t want = size_ + n;
    if (want <= kLinearLimit) {
        if (capacity_ < want) Grow(want);
        return;
    }
    std::size_t capacity = std::bit_ceil(want + want / 3 + 1);
    if (!Hashed() || capacity > capacity_) Rehash(std::max(capacity, kLinearLimit * 4));
}

void TReferrerSet::Grow(std::size_t capacity) {
    auto larger = std::make_unique<TReferrer[]>(capacity);
    std::copy(slots_.get(), slots_.get() + size_, larger.get());
    slots_ = std::move(larger);
    capacity_ = static_cast<std::uint32_t>(capacity);
}

void TReferrerSet::Rehash(std::size_t capacity) {
    std::vector<TReferrer> old = Take();
    slots_ = std::make_unique<TReferrer[]>(capacity);  // null elements: every slot free
    capacity_ = static_cast<std::uint32_t>(capacity);
    for (const TReferrer& r : old)
        InsertHashed(r);
}

TReferrerSet::Set TReferrerSet::Take() {
    Set taken;
    if (Hashed()) {
        taken.reserve(size_);
        for (std::size_t s = 0; s < capacity_; ++s)
            if (slots_[s].element) taken.push_back(slots_[s]);
    } else {
        taken.assign(slots_.get(), slots_.get() + size_);
    }
    slots_.reset();
    size_ = 0;
    capacity_ = 0;
    return taken;
}

}  // namespace tabrix

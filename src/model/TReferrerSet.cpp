#include "model/TReferrerSet.h"

#include <algorithm>
#include <bit>

namespace tabrix {

std::size_t TReferrerSet::SlotOf(const TReferrer& r) const {
    auto bits = reinterpret_cast<std::uintptr_t>(r.element) ^ (std::uint64_t{r.param} << 48);
    bits *= 0x9E3779B97F4A7C15ULL;  // Fibonacci hashing spreads the aligned addresses
    return static_cast<std::size_t>(bits >> 20) & (slots_.size() - 1);
}

void TReferrerSet::Add(TElement* element, std::uint32_t param) {
    const TReferrer r{element, param};
    if (!Hashed()) {
        auto end = slots_.begin() + static_cast<std::ptrdiff_t>(size_);
        if (std::find(slots_.begin(), end, r) != end) return;
        if (size_ < kLinearLimit) {
            if (size_ == slots_.size()) slots_.resize(std::max<std::size_t>(2, size_ * 2));
            slots_[size_++] = r;
            return;
        }
        Rehash(kLinearLimit * 4);
    } else if ((size_ + 1) * 4 > slots_.size() * 3) {
        Rehash(slots_.size() * 2);
    }
    InsertHashed(r);
}

void TReferrerSet::InsertHashed(const TReferrer& r) {
    const std::size_t mask = slots_.size() - 1;
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
        auto end = slots_.begin() + static_cast<std::ptrdiff_t>(size_);
        auto found = std::find(slots_.begin(), end, r);
        if (found == end) return;
        *found = slots_[--size_];
        return;
    }
    const std::size_t mask = slots_.size() - 1;
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
        if (slots_.size() < want) slots_.resize(want);
        return;
    }
    std::size_t capacity = std::bit_ceil(want + want / 3 + 1);
    if (!Hashed() || capacity > slots_.size()) Rehash(std::max(capacity, kLinearLimit * 4));
}

void TReferrerSet::Rehash(std::size_t capacity) {
    std::vector<TReferrer> old = Take();
    slots_.assign(capacity, TReferrer{});
    for (const TReferrer& r : old)
        InsertHashed(r);
}

TReferrerSet::Set TReferrerSet::Take() {
    Set taken;
    if (Hashed()) {
        taken.reserve(size_);
        for (const TReferrer& r : slots_)
            if (r.element) taken.push_back(r);
    } else {
        taken.assign(slots_.begin(), slots_.begin() + static_cast<std::ptrdiff_t>(size_));
    }
    slots_ = {};
    size_ = 0;
    return taken;
}

}  // namespace tabrix

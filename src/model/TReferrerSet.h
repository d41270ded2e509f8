// The element values that refer to one element or group. A referenced object keeps this set so
// that, when it is destroyed, every reference to it can be erased from the referring values.
//
// Most elements are referred to by a handful of values, a group by up to every element of a
// library; so the set is a plain array while small and an open-addressing table (linear
// probing, one array of entries) beyond that: 16 bytes an entry instead of a node each.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace tabrix {

class TElement;

struct TReferrer {
    TElement* element = nullptr;  // the element holding the reference
    std::uint32_t param = 0;      // the parameter position of the referring value

    bool operator==(const TReferrer&) const = default;
};

class TReferrerSet {
public:
    using Set = std::vector<TReferrer>;

    void Add(TElement* element, std::uint32_t param);
    void Remove(TElement* element, std::uint32_t param);
    bool Empty() const { return size_ == 0; }
    std::size_t Size() const { return size_; }
    // Makes room for n more entries at once (bulk registration after reading).
    void Reserve(std::size_t n);
    // Asks the processor for the memory an Add of this entry looks at first, so that a bulk
    // registration can fetch it ahead of adding.
    void Prefetch(const TElement* element, std::uint32_t param) const;
    // Hands every entry to the caller and leaves this set empty.
    Set Take();
    // Calls visit(referrer) for every entry until it returns false; false then.
    template <typename Visit>
    bool AllOf(Visit visit) const {
        const std::size_t used = Hashed() ? capacity_ : size_;
        for (std::size_t s = 0; s < used; ++s)
            if (slots_[s].element && !visit(slots_[s])) return false;
        return true;
    }

private:
    static constexpr std::size_t kLinearLimit = 8;

    bool Hashed() const { return capacity_ > kLinearLimit; }
    std::size_t SlotOf(const TReferrer& r) const;
    std::size_t SlotOf(const TElement* element, std::uint32_t param) const;
    void Rehash(std::size_t capacity);
    void InsertHashed(const TReferrer& r);
    // Moves the entries of the small array into a new one of capacity entries.
    void Grow(std::size_t capacity);

    // Small: the first size_ of capacity_ entries, unordered. Hashed: a power-of-two table of
    // capacity_ entries where a null element marks a free slot. A referenced element keeps
    // one of these: a pointer and two counts rather than a vector and a count.
    std::unique_ptr<TReferrer[]> slots_;
    std::uint32_t size_ = 0;
    std::uint32_t capacity_ = 0;
};

}  // namespace tabrix

// The element values that refer to one element or group. A referenced object keeps this set so
// that, when it is destroyed, every reference to it can be erased from the referring values.
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_set>

namespace tabrix {

class TElement;

struct TReferrer {
    TElement* element = nullptr;  // the element holding the reference
    std::uint32_t param = 0;      // the parameter position of the referring value

    bool operator==(const TReferrer&) const = default;
};

struct TReferrerHash {
    std::size_t operator()(const TReferrer& r) const {
        return std::hash<const void*>()(r.element) ^ (static_cast<std::size_t>(r.param) << 1);
    }
};

class TReferrerSet {
public:
    using Set = std::unordered_set<TReferrer, TReferrerHash>;

    void Add(TElement* element, std::uint32_t param) { set_.insert({element, param}); }
    void Remove(TElement* element, std::uint32_t param) { set_.erase({element, param}); }
    bool Empty() const { return set_.empty(); }
    std::size_t Size() const { return set_.size(); }
    // Hands the whole set to the caller and leaves this one empty.
    Set Take() { return std::move(set_); }

private:
    Set set_;
};

}  // namespace tabrix

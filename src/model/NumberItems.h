// A read-only view of the number items of one element value, in the element's buffer. Valid
// until the element's value changes.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace tabrix {

// A number item: a 32-bit value for plain types, the address of the target for references
// (0 for none).
using NumberItem = std::uint64_t;
using NumberList = std::vector<NumberItem>;

class NumberItems : public std::span<const NumberItem> {
public:
    using std::span<const NumberItem>::span;
    NumberItems(std::span<const NumberItem> items) : std::span<const NumberItem>(items) {}

    NumberItem at(std::size_t k) const {
        if (k >= size()) throw std::out_of_range("NumberItems::at");
        return (*this)[k];
    }
    NumberList ToList() const { return NumberList(begin(), end()); }
    operator NumberList() const { return ToList(); }  // NOLINT: callers that keep a copy

    friend bool operator==(const NumberItems& a, const NumberItems& b) { return Equal(a, b); }
    friend bool operator==(const NumberItems& a, const NumberList& b) { return Equal(a, b); }

private:
    template <typename List>
    static bool Equal(const NumberItems& a, const List& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t k = 0; k < a.size(); ++k)
            if (a[k] != b[k]) return false;
        return true;
    }
};

}  // namespace tabrix

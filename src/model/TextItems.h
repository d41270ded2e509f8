// A read-only view of the text items of one element value: the items lie back to back in the
// element's buffer, item k ending at ends[k]. Valid until the element's value changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tabrix {

using TextList = std::vector<std::string>;

// A run of offsets in an element's buffer, 16 bits each in a small buffer and 32 bits in one
// whose counts do not fit 16 bits, so that small elements spend half the room on them.
class EndList {
public:
    EndList() = default;
    // width: 1, 2 or 4 bytes per end.
    EndList(const void* at, unsigned width)
        : at_(static_cast<const unsigned char*>(at)), width_(static_cast<std::uint8_t>(width)) {}

    std::uint32_t operator[](std::size_t k) const {
        if (width_ == 1) return at_[k];
        if (width_ == 2) {
            std::uint16_t end;
            std::memcpy(&end, at_ + 2 * k, sizeof end);
            return end;
        }
        std::uint32_t end;
        std::memcpy(&end, at_ + 4 * k, sizeof end);
        return end;
    }
    EndList operator+(std::size_t k) const { return {at_ + k * width_, width_}; }
    const void* Address() const { return at_; }

private:
    const unsigned char* at_ = nullptr;
    std::uint8_t width_ = 1;
};

class TextItems {
public:
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        const_iterator() = default;
        const_iterator(const TextItems* items, std::size_t k) : items_(items), k_(k) {}
        std::string_view operator*() const { return (*items_)[k_]; }
        const_iterator& operator++() { return ++k_, *this; }
        const_iterator operator++(int) { return {items_, k_++}; }
        const_iterator& operator--() { return --k_, *this; }
        const_iterator& operator+=(difference_type n) { return k_ += n, *this; }
        const_iterator operator+(difference_type n) const { return {items_, k_ + n}; }
        difference_type operator-(const_iterator other) const {
            return static_cast<difference_type>(k_) - static_cast<difference_type>(other.k_);
        }
        bool operator==(const const_iterator& other) const { return k_ == other.k_; }

    private:
        const TextItems* items_ = nullptr;
        std::size_t k_ = 0;
    };
    using iterator = const_iterator;
    using value_type = std::string_view;
    using size_type = std::size_t;

    TextItems() = default;
    TextItems(const char* chars, EndList ends, std::size_t count, std::uint32_t start)
        : chars_(chars), ends_(ends), count_(count), start_(start) {}

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    std::string_view operator[](std::size_t k) const {
        std::uint32_t begin = k == 0 ? start_ : ends_[k - 1];
        return {chars_ + begin, ends_[k] - begin};
    }
    std::string_view at(std::size_t k) const {
        if (k >= count_) throw std::out_of_range("TextItems::at");
        return (*this)[k];
    }
    std::string_view front() const { return (*this)[0]; }
    std::string_view back() const { return (*this)[count_ - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, count_}; }

    TextList ToList() const { return TextList(begin(), end()); }
    operator TextList() const { return ToList(); }  // NOLINT: callers that keep a copy

    friend bool operator==(const TextItems& a, const TextItems& b) { return Equal(a, b); }
    friend bool operator==(const TextItems& a, const TextList& b) { return Equal(a, b); }

private:
    template <typename List>
    static bool Equal(const TextItems& a, const List& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t k = 0; k < a.size(); ++k)
            if (a[k] != std::string_view(b[k])) return false;
        return true;
    }

    const char* chars_ = nullptr;
    EndList ends_;
    std::size_t count_ = 0;
    std::uint32_t start_ = 0;
};

}  // namespace tabrix

// Vectors whose new elements are left unwritten, for large arrays of plain values each of which
// is written before it is read, by the threads that share the work: each thread's part is then
// first touched by that thread, instead of one thread clearing all of the memory beforehand.
#pragma once

#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace tabrix {

template <typename T>
struct FilledLaterAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = FilledLaterAllocator<U>;
    };
    FilledLaterAllocator() = default;
    template <typename U>
    FilledLaterAllocator(const FilledLaterAllocator<U>&) noexcept {}

    // Without a value the element is left as the memory holds it.
    template <typename U>
    void construct(U*) noexcept {
        static_assert(std::is_trivially_copyable_v<U> && std::is_trivially_destructible_v<U>);
    }
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};

template <typename T>
using FilledLater = std::vector<T, FilledLaterAllocator<T>>;

}  // namespace tabrix

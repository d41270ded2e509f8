// Runs work on parts of a large job on threads of their own: reading a large library decodes
// its element lines and resolves its references in parts on every core.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <thread>
#include <vector>

namespace tabrix {

// How many parts a job of size units is run in: one below threshold, else one per core (at
// most four).
inline std::size_t PartsFor(std::size_t size, std::size_t threshold) {
    constexpr std::size_t kMaxParts = 4;
    if (size < threshold) return 1;
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kMaxParts);
}

// Runs work(p) for every part p, parts 1 and up on threads of their own; a part whose thread
// cannot be started runs here. A part that fails (running out of memory) fails the whole, as
// it does on one thread: the first failure is passed on once every thread has ended.
template <typename Work>
void RunInParts(std::size_t parts, Work work) {
    std::vector<std::exception_ptr> failures(parts);
    auto guarded = [&](std::size_t p) {
        try {
            work(p);
        } catch (...) {
            failures[p] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    std::vector<std::size_t> left;
    threads.reserve(parts);
    left.reserve(parts);
    for (std::size_t p = 1; p < parts; ++p) {
        try {
            threads.emplace_back(guarded, p);
        } catch (...) {
            left.push_back(p);
        }
    }
    guarded(0);
    for (std::thread& thread : threads)
        thread.join();
    for (std::size_t p : left)
        guarded(p);
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

// Which part works on the object at p, when every part walks the whole job and takes its
// share of the objects: by 64 KB block of address, so that a part keeps to memory of its own.
inline std::size_t ShareOf(const void* p, std::size_t parts) {
    const auto block = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p) >> 16);
    return static_cast<std::size_t>((block * 0x9E3779B97F4A7C15ULL) >> 40) % parts;
}

}  // namespace tabrix

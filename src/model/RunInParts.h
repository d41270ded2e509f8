// Runs work on parts of a large job on threads of their own: reading a large library decodes
// its element lines and resolves its references in parts on every core.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
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

// Where part p of a job of size units cut into parts of about equal size begins (p == parts:
// the end); the first size % parts parts take one unit more.
inline std::size_t PartStart(std::size_t size, std::size_t parts, std::size_t p) {
    return size / parts * p + std::min(p, size % parts);
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

// How many units a chunk of a job of size units holds when the job is cut into many chunks,
// so that the threads finish together, of at most most units.
inline std::size_t ChunkSize(std::size_t size, std::size_t most) {
    return std::clamp<std::size_t>(size / 64, 1, most);
}

// Which part works on the object at p, when every part walks the whole job and takes its
// share of the objects: by 64 KB block of address, so that a part keeps to memory of its own.
inline std::size_t ShareOf(const void* p, std::size_t parts) {
    const auto block = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p) >> 16);
    return static_cast<std::size_t>((block * 0x9E3779B97F4A7C15ULL) >> 40) % parts;
}

// Makes chunks 0 to count - 1 of a long output on workers threads and hands each to take, in
// order, as soon as it and every chunk before it are made: the output is written while later
// chunks are still being made, through a few buffers used again and again, never one the size
// of the whole. make(c, out) appends chunk c to out (cleared when called; several chunks are
// made at once, each by one call); take(out) returns false to stop. A buffer is a std::string
// unless the caller names another type with clear(). Returns false when take stopped; a
// failure of make (running out of memory) is passed on once every thread has ended.
template <typename Buffer = std::string, typename Make, typename Take>
bool MakeInOrder(std::size_t count, std::size_t workers, Make make, Take take) {
    struct Slot {
        Buffer bytes;
        bool made = false;
    };
    const std::size_t window = 2 * workers + 2;  // chunk c is made in slot c % window
    std::vector<Slot> slots(window);
    std::mutex mutex;
    std::condition_variable made, taken;
    std::size_t nextToMake = 0, nextToTake = 0;
    bool stop = false;
    std::exception_ptr failure;

    auto work = [&] {
        for (;;) {
            std::size_t c = 0;
            {
                std::unique_lock lock(mutex);
                // The slot of chunk c is free once chunk c - window has been taken.
                taken.wait(lock, [&] {
                    return stop || nextToMake >= count || nextToMake < nextToTake + window;
                });
                if (stop || nextToMake >= count) return;
                c = nextToMake++;
            }
            Slot& slot = slots[c % window];
            try {
                slot.bytes.clear();
                make(c, slot.bytes);
            } catch (...) {
                std::lock_guard lock(mutex);
                if (!failure) failure = std::current_exception();
                stop = true;
                made.notify_all();
                taken.notify_all();
                return;
            }
            std::lock_guard lock(mutex);
            slot.made = true;
            made.notify_all();
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t w = 0; w < workers && count > 1; ++w) {
        try {
            threads.emplace_back(work);
        } catch (...) {
            break;  // the threads started do the work; with none, it is done here
        }
    }

    bool kept = true;
    for (std::size_t c = 0; c < count && kept; ++c) {
        Slot& slot = slots[c % window];
        if (threads.empty()) {
            slot.bytes.clear();
            make(c, slot.bytes);
        } else {
            std::unique_lock lock(mutex);
            made.wait(lock, [&] { return stop || slot.made; });
            if (!slot.made) break;  // a worker failed
        }
        kept = take(static_cast<const Buffer&>(slot.bytes));
        std::lock_guard lock(mutex);
        slot.made = false;
        ++nextToTake;
        if (!kept) stop = true;
        taken.notify_all();
    }
    {
        std::lock_guard lock(mutex);
        stop = true;
        taken.notify_all();
    }
    for (std::thread& thread : threads)
        thread.join();
    if (failure) std::rethrow_exception(failure);
    return kept;
}

// Chunks 1 to count - 1 of a job made on parts threads while this thread does first() (chunk 0,
// its own way), then joined here in order as they are made: this thread makes chunks too while
// it waits. At most a window of chunks is made ahead of the join, each in a Slot used again and
// again. make(c, slot) makes chunk c on any thread; join(c, slot) takes it here, false to stop;
// first() false stops before any join. Returns the first chunk not joined (count when all
// were). A failure of any of them is passed on once every thread has ended.
template <typename Slot, typename First, typename Make, typename Join>
std::size_t JoinInOrder(std::size_t count, std::size_t parts, First first, Make make, Join join) {
    struct Place {
        Slot slot;
        bool made = false;
    };
    const std::size_t window = 2 * parts + 2;  // chunk c is made in place c % window
    std::vector<Place> places(window);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t nextToMake = 1, joined = 1;  // the chunks before joined are joined
    bool stop = false;
    std::size_t result = count;

    // Runs step without the lock; a failure stops every thread before it is passed on.
    auto unlocked = [&](std::unique_lock<std::mutex>& lock, auto step) {
        lock.unlock();
        try {
            step();
        } catch (...) {
            lock.lock();
            stop = true;
            changed.notify_all();
            throw;
        }
        lock.lock();
    };
    // Makes the next chunk where the window has room for it; false when there is none to make.
    auto makeNext = [&](std::unique_lock<std::mutex>& lock) {
        if (stop || nextToMake >= count || nextToMake >= joined + window) return false;
        const std::size_t c = nextToMake++;
        unlocked(lock, [&] { make(c, places[c % window].slot); });
        places[c % window].made = true;
        changed.notify_all();
        return true;
    };
    RunInParts(parts, [&](std::size_t p) {
        std::unique_lock lock(mutex);
        if (p > 0) {
            while (!stop && nextToMake < count) {
                if (!makeNext(lock)) changed.wait(lock);
            }
            return;
        }
        bool going = true;
        unlocked(lock, [&] { going = first(); });
        for (std::size_t c = 1; going && c < count; ++c) {
            Place& place = places[c % window];
            while (!place.made && !stop)
                if (!makeNext(lock)) changed.wait(lock);
            if (!place.made) break;  // another thread failed
            unlocked(lock, [&] { going = join(c, place.slot); });
            place.made = false;
            joined = c + 1;
            if (!going) result = c;
            changed.notify_all();
        }
        if (!going && result == count) result = 0;
        stop = true;
        changed.notify_all();
    });
    return result;
}

}  // namespace tabrix

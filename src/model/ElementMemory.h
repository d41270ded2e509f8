// The memory of elements and their value buffers. A large library is millions of small blocks
// of a few sizes, made at once while a file is read on several threads: from the general
// allocator each costs a header and a rounding, and threads contend for its heap. Here blocks
// of each size (in steps of 8 bytes) are cut back to back from chunks of 2 MB, each thread
// cutting from chunks of its own. Blocks freed are kept for blocks of the same size; chunks are
// never given back while the program runs.
#pragma once

#include <cstddef>

namespace tabrix {

class ElementMemory {
public:
    // A block of at least bytes, aligned to 8; never null (std::bad_alloc when memory runs out,
    // as operator new).
    static void* Allocate(std::size_t bytes);
    // Gives back a block from Allocate (null does nothing), on any thread.
    static void Release(void* block) noexcept;
};

// A deleter for blocks of bytes from ElementMemory.
struct ElementMemoryRelease {
    void operator()(std::byte* block) const noexcept { ElementMemory::Release(block); }
};

}  // namespace tabrix

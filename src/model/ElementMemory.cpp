#include "model/ElementMemory.h"

#include <sys/mman.h>

#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

namespace tabrix {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooled = false;  // the sanitizer's allocator must see every block to check it
#else
constexpr bool kPooled = true;
#endif

constexpr std::size_t kStep = 8;
constexpr std::size_t kLargest = 512;               // larger blocks come from operator new
constexpr std::size_t kClasses = kLargest / kStep;  // class c holds blocks of (c + 1) * 8 bytes
constexpr std::size_t kChunk = std::size_t{2} << 20;
constexpr std::size_t kHeader = 64;  // the start of a chunk names its class
// Addresses reserved for chunks, none of them backed until a chunk is handed out: whether a
// block is ours is then one comparison.
constexpr std::size_t kRegion = std::size_t{64} << 30;

struct FreeBlock {
    FreeBlock* next;
};

// Blocks freed, in a list that can be handed on whole.
struct FreeList {
    FreeBlock* head = nullptr;
    std::size_t count = 0;

    void Push(void* block) {
        auto* freed = static_cast<FreeBlock*>(block);
        freed->next = head;
        head = freed;
        ++count;
    }
    void* Pop() {
        FreeBlock* block = head;
        head = block->next;
        --count;
        return block;
    }
};

// A thread hands the blocks it frees on in batches of about this many bytes: a library made on
// several threads is often destroyed on one, and the others would cut new chunks next time.
constexpr std::size_t kBatchBytes = std::size_t{1} << 20;

// The part of a chunk not cut into blocks yet.
struct Span {
    char* next = nullptr;
    char* end = nullptr;
};

std::size_t ClassOf(std::size_t bytes) {
    return (bytes == 0 ? 0 : (bytes - 1) / kStep);
}

std::size_t BytesOf(std::size_t cls) {
    return (cls + 1) * kStep;
}

// What every thread shares: the reserved addresses, and the blocks and spans that threads which
// ended left behind.
class Shared {
public:
    // Never destroyed: blocks are still given back while static objects go away at exit.
    static Shared& Get() {
        static Shared* shared = new Shared;
        return *shared;
    }

    bool Owns(const void* block) const {
        const auto at = reinterpret_cast<std::uintptr_t>(block);
        return base_ && at >= base_ && at < base_ + kRegion;
    }
    static std::size_t ClassOfBlock(const void* block) {
        const auto at = reinterpret_cast<std::uintptr_t>(block) & ~(kChunk - 1);
        return *reinterpret_cast<const std::uint32_t*>(at);
    }

    // More room for class cls, for a thread whose own has run out: a batch of blocks another
    // thread freed, else a span a thread that ended left, else a new chunk's. False when the
    // reserved addresses are used up.
    bool TakeRoom(std::size_t cls, Span& span, FreeList& blocks) {
        std::lock_guard lock(mutex_);
        if (!batches_[cls].empty()) {
            blocks = batches_[cls].back();
            batches_[cls].pop_back();
            return true;
        }
        if (!spans_[cls].empty()) {
            span = spans_[cls].back();
            spans_[cls].pop_back();
            return true;
        }
        return NewChunk(cls, span);
    }
    void LeaveBatch(std::size_t cls, FreeList& blocks) {
        if (!blocks.head) return;
        std::lock_guard lock(mutex_);
        batches_[cls].push_back(blocks);
        blocks = {};
    }
    // A span too short for one more block of its class is dropped.
    void LeaveSpan(std::size_t cls, Span span) {
        if (static_cast<std::size_t>(span.end - span.next) < BytesOf(cls)) return;
        std::lock_guard lock(mutex_);
        spans_[cls].push_back(span);
    }
    void LeaveBlock(void* block) {
        FreeList one;
        one.Push(block);
        LeaveBatch(ClassOfBlock(block), one);
    }

private:
    Shared() {
        if (!kPooled) return;
        void* region = ::mmap(nullptr, kRegion + kChunk, PROT_NONE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (region == MAP_FAILED) return;  // every block then comes from operator new
        base_ = (reinterpret_cast<std::uintptr_t>(region) + kChunk - 1) & ~(kChunk - 1);
    }

    bool NewChunk(std::size_t cls, Span& span) {
        if (!base_ || used_ == kRegion / kChunk) return false;
        char* chunk = reinterpret_cast<char*>(base_ + used_ * kChunk);
        if (::mprotect(chunk, kChunk, PROT_READ | PROT_WRITE) != 0) return false;
        ++used_;
        // No large pages: in a virtual machine that hands free 2 MB blocks back to its host,
        // each new large page is memory the host must supply and clear first, several times
        // the cost of the small pages of the same bytes. The elements' pages are most of the
        // memory a large library takes.
        *reinterpret_cast<std::uint32_t*>(chunk) = static_cast<std::uint32_t>(cls);
        span = {chunk + kHeader, chunk + kChunk};
        return true;
    }

    std::uintptr_t base_ = 0;
    std::mutex mutex_;
    std::size_t used_ = 0;  // chunks handed out
    std::vector<FreeList> batches_[kClasses];
    std::vector<Span> spans_[kClasses];
};

// Each thread cuts blocks from spans of its own and keeps the blocks it frees, so that threads
// reading parts of one file never wait for each other; what is left goes to Shared when the
// thread ends.
class Cache {
public:
    ~Cache() {
        for (std::size_t cls = 0; cls < kClasses; ++cls) {
            Shared::Get().LeaveBatch(cls, free_[cls]);
            Shared::Get().LeaveSpan(cls, spans_[cls]);
        }
    }

    void* Allocate(std::size_t cls) {
        if (free_[cls].head) return free_[cls].Pop();
        Span& span = spans_[cls];
        const std::size_t bytes = BytesOf(cls);
        if (static_cast<std::size_t>(span.end - span.next) < bytes) {
            span = {};  // what is left of it holds no block of this size
            if (!Shared::Get().TakeRoom(cls, span, free_[cls])) return nullptr;
            if (free_[cls].head) return free_[cls].Pop();
        }
        void* block = span.next;
        span.next += bytes;
        return block;
    }
    void Release(void* block, std::size_t cls) {
        FreeList& list = free_[cls];
        list.Push(block);
        if (list.count * BytesOf(cls) >= kBatchBytes) Shared::Get().LeaveBatch(cls, list);
    }

private:
    FreeList free_[kClasses];
    Span spans_[kClasses];
};

// The thread's cache, made on first use. Once the thread has begun to end it is gone, and blocks
// are given back to Shared directly.
thread_local Cache* cache = nullptr;
thread_local bool ending = false;

struct CacheOwner {
    ~CacheOwner() {
        ending = true;
        delete cache;
        cache = nullptr;
    }
    void Own(Cache* made) { cache = made; }
};
thread_local CacheOwner cacheOwner;

Cache* ThreadCache() {
    if (cache || ending) return cache;
    cacheOwner.Own(new Cache);  // the owner hands the cache on when the thread ends
    return cache;
}

}  // namespace

void* ElementMemory::Allocate(std::size_t bytes) {
    if (kPooled && bytes <= kLargest) {
        if (Cache* own = ThreadCache())
            if (void* block = own->Allocate(ClassOf(bytes))) return block;
    }
    return ::operator new(bytes);
}

void ElementMemory::Release(void* block) noexcept {
    if (!block) return;
    Shared& shared = Shared::Get();
    if (!shared.Owns(block)) return ::operator delete(block);
    if (Cache* own = ThreadCache())
        own->Release(block, Shared::ClassOfBlock(block));
    else
        shared.LeaveBlock(block);
}

}  // namespace tabrix

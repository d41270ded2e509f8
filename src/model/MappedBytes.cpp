#include "model/MappedBytes.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <new>

namespace tabrix {

namespace {

// The mappings made, so that the bus error handler can tell its own from any other. A few
// files are mapped at a time (a library's element data files, while a command runs); when every
// slot is taken the file is read instead.
struct Slot {
    std::atomic<std::uintptr_t> begin{0};  // 0: free
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> damaged{false};
};
constexpr std::size_t kSlots = 64;
std::array<Slot, kSlots> slots;
std::mutex slotsTaken;

struct sigaction previousAction {};
std::uintptr_t pageSize = 4096;
bool handlerInstalled = false;

Slot* SlotHolding(std::uintptr_t at) {
    for (Slot& slot : slots) {
        const std::uintptr_t begin = slot.begin.load(std::memory_order_acquire);
        if (begin != 0 && begin <= at && at < slot.end.load(std::memory_order_acquire))
            return &slot;
    }
    return nullptr;
}

// A page of a mapping whose file no longer reaches it gets a page of zeros in its place, and
// the access is made again. Any other bus error goes where it went before.
void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (Slot* slot = info->si_code == BUS_ADRERR ? SlotHolding(at) : nullptr) {
        void* page = reinterpret_cast<void*>(at & ~(pageSize - 1));
        if (::mmap(page, pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
            MAP_FAILED) {
            slot->damaged.store(true, std::memory_order_release);
            return;
        }
    }
    if (previousAction.sa_flags & SA_SIGINFO) {
        previousAction.sa_sigaction(signal, info, context);
    } else if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
        previousAction.sa_handler(signal);
    } else {
        // The fault comes again on return, and ends the program as it would have.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        ::sigaction(SIGBUS, &fallback, nullptr);
    }
}

bool InstallHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        const long size = ::sysconf(_SC_PAGESIZE);
        if (size > 0) pageSize = static_cast<std::uintptr_t>(size);
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        handlerInstalled = ::sigaction(SIGBUS, &action, &previousAction) == 0;
    });
    return handlerInstalled;
}

Slot* TakeSlot(std::uintptr_t begin, std::uintptr_t end) {
    std::lock_guard lock(slotsTaken);
    for (Slot& slot : slots) {
        if (slot.begin.load(std::memory_order_relaxed) != 0) continue;
        slot.damaged.store(false, std::memory_order_relaxed);
        slot.end.store(end, std::memory_order_release);
        slot.begin.store(begin, std::memory_order_release);
        return &slot;
    }
    return nullptr;
}

void FreeSlot(Slot& slot) {
    std::lock_guard lock(slotsTaken);
    slot.begin.store(0, std::memory_order_release);
    slot.end.store(0, std::memory_order_release);
}

}  // namespace

std::shared_ptr<const char[]> MappedBytes::Map(int fd, std::size_t size) {
    if (size == 0 || !InstallHandler()) return nullptr;
    void* at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (at == MAP_FAILED) return nullptr;
    const auto begin = reinterpret_cast<std::uintptr_t>(at);
    Slot* slot = TakeSlot(begin, begin + size);
    if (!slot) {
        ::munmap(at, size);
        return nullptr;
    }
    try {
        return std::shared_ptr<const char[]>(static_cast<const char*>(at),
                                             [slot, size](const char* bytes) {
                                                 FreeSlot(*slot);
                                                 ::munmap(const_cast<char*>(bytes), size);
                                             });
    } catch (const std::bad_alloc&) {  // no memory for the count: the deleter has run
        return nullptr;
    }
}

bool MappedBytes::Intact(const char* bytes) {
    const Slot* slot = SlotHolding(reinterpret_cast<std::uintptr_t>(bytes));
    return !slot || !slot->damaged.load(std::memory_order_acquire);
}

}  // namespace tabrix

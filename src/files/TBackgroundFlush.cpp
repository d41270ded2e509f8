#include "files/TBackgroundFlush.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <system_error>

namespace tabrix {

namespace {

std::atomic<TBackgroundFlush*> current{nullptr};

void CloseAll(const std::vector<int>& fds) {
    for (int fd : fds)
        ::close(fd);
}

}  // namespace

TBackgroundFlush::TBackgroundFlush() {
    current.store(this);
}

TBackgroundFlush::~TBackgroundFlush() {
    current.store(nullptr);
    std::lock_guard lock(mutex_);
    for (std::thread& thread : threads_)
        thread.join();
    if (toClose_.empty()) return;
    try {
        // Nothing waits for it: the files are no longer anyone's, and a process that ends
        // meanwhile has the kernel finish the closes.
        std::thread(CloseAll, std::vector<int>(toClose_)).detach();
    } catch (const std::system_error&) {
        CloseAll(toClose_);
    }
}

void TBackgroundFlush::StartFor(int fd) {
    if (TBackgroundFlush* flush = current.load()) flush->Start(fd);
}

void TBackgroundFlush::Close(int fd) {
    if (fd < 0) return;
    // A command that saves again and again holds a few of them at a time, well below the
    // limit of open files.
    constexpr std::size_t kHeldAtMost = 16;
    if (TBackgroundFlush* flush = current.load()) {
        std::lock_guard lock(flush->mutex_);
        if (flush->toClose_.size() < kHeldAtMost) {
            flush->toClose_.push_back(fd);
            return;
        }
    }
    ::close(fd);
}

void TBackgroundFlush::Start(int fd) {
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0) return;
    std::lock_guard lock(mutex_);
    try {
        threads_.emplace_back([own] {
            ::fdatasync(own);
            ::close(own);
        });
    } catch (const std::system_error&) {
        ::close(own);  // no thread to spare: the save's own flush does the work
    }
}

}  // namespace tabrix

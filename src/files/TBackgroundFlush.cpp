#include "files/TBackgroundFlush.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <system_error>

namespace tabrix {

namespace {

std::atomic<TBackgroundFlush*> current{nullptr};

}  // namespace

TBackgroundFlush::TBackgroundFlush() {
    current.store(this);
}

TBackgroundFlush::~TBackgroundFlush() {
    current.store(nullptr);
    std::lock_guard lock(mutex_);
    for (std::thread& thread : threads_)
        thread.join();
}

void TBackgroundFlush::StartFor(int fd) {
    if (TBackgroundFlush* flush = current.load()) flush->Start(fd);
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

#include "model/FileBytes.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace tabrix {

// A FIFO would block the open until a writer came, a device would never end, so they are
// refused before they are opened, and once more after the open in case the name was swapped
// in between. O_NONBLOCK keeps that open from waiting; it means nothing for a regular file.
int FileBytes::OpenRegular(const std::string& nativePath, struct stat& info) {
    if (::stat(nativePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    int fd = ::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

long FileBytes::ReadUpTo(int fd, char* buffer, std::size_t size) {
    std::size_t total = 0;
    while (total < size) {
        ssize_t got = ::read(fd, buffer + total, size - total);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        total += static_cast<std::size_t>(got);
    }
    return static_cast<long>(total);
}

// The size is a first guess: a file that grows meanwhile is read to its end.
FileResult FileBytes::Read(const std::string& nativePath, std::string& bytes) {
    bytes.clear();
    struct stat info {};
    const int fd = OpenRegular(nativePath, info);
    if (fd < 0) return kFileCannotOpen;
    std::size_t size = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    std::size_t filled = 0;
    for (;;) {
        bytes.resize(size + 1);  // one byte beyond: the end is seen without another read
        const long got = ReadUpTo(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            ::close(fd);
            bytes.clear();
            return kFileCannotOpen;
        }
        filled += static_cast<std::size_t>(got);
        if (filled < bytes.size()) break;
        size = bytes.size() * 2;
    }
    bytes.resize(filled);
    return ::close(fd) == 0 ? kFileOk : kFileCannotOpen;
}

}  // namespace tabrix

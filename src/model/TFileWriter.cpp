#include "model/TFileWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace tabrix {

int TFileWriter::CreateUnnamed(const std::string& folder) {
    return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
}

// Linking a descriptor by its /proc name needs no privilege; the empty-path form is the way
// left where /proc is not mounted, and it needs CAP_DAC_READ_SEARCH.
int TFileWriter::Link(int fd, const std::string& path) {
    const std::string procName = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, procName.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno != ENOENT) return -1;
    return ::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH);
}

// Mode 0666 so that the process's umask applies as it would to a plainly created file; O_EXCL
// makes the name ours alone.
int TFileWriter::CreateNew(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

ssize_t TFileWriter::Write(int fd, const char* data, std::size_t size) {
    return ::write(fd, data, size);
}

int TFileWriter::Sync(int fd) {
    return ::fsync(fd);
}

int TFileWriter::Close(int fd) {
    return ::close(fd);
}

int TFileWriter::Rename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str());
}

TFileWriter& TFileWriter::System() {
    static TFileWriter system;  // stateless: sharing it shares nothing
    return system;
}

}  // namespace tabrix

#include "model/TFileWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace tabrix {

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

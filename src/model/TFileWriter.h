// The operating-system calls a save makes, gathered so that a save's failures can be staged.
// Saving goes through System() unless the caller hands over another writer; a writer holds no
// state of its own, and the system writer is shared read-only.
#pragma once

#include <cstddef>
#include <string>

#include <sys/types.h>

namespace tabrix {

class TFileWriter {
public:
    virtual ~TFileWriter() = default;

    // Creates a file without a name in folder, for writing and reading back; it vanishes when closed unless it
    // was linked first, so a save cut short leaves nothing behind. A descriptor or -1 (errno
    // set; EOPNOTSUPP, EISDIR or EINVAL where the file system or kernel cannot do it).
    virtual int CreateUnnamed(const std::string& folder);
    // Gives the unnamed file open as fd the name path, which must not exist yet; 0 or -1.
    virtual int Link(int fd, const std::string& path);
    // Creates a new file for writing that must not exist yet; a descriptor or -1 (errno set).
    virtual int CreateNew(const std::string& path);
    // Writes up to size bytes; the count written or -1 (errno set).
    virtual ssize_t Write(int fd, const char* data, std::size_t size);
    // Flushes the file's data to the disk; 0 or -1.
    virtual int Sync(int fd);
    virtual int Close(int fd);
    virtual int Rename(const std::string& from, const std::string& to);

    static TFileWriter& System();
};

}  // namespace tabrix

// The whole content of a regular file, read at once. A table to import or a library to open is
// read this way: a FIFO or a device such as /dev/zero is refused before it could block or
// never end, and the bytes arrive in one buffer sized from the file.
#pragma once

#include <sys/stat.h>
#include <string>

#include "model/FileResult.h"

namespace tabrix {

class FileBytes {
public:
    // Reads the file at nativePath (a file system path) into bytes: kFileOk, or
    // kFileCannotOpen when it is no regular file or cannot be read (bytes empty then).
    static FileResult Read(const std::string& nativePath, std::string& bytes);

    // Opens a regular file for reading, filling info; -1 for anything else.
    static int OpenRegular(const std::string& nativePath, struct stat& info);
    // Reads up to size bytes, carrying on after interrupted or partial reads; the number read
    // (less than size only at the end of the file) or -1 on a read error.
    static long ReadUpTo(int fd, char* buffer, std::size_t size);
};

}  // namespace tabrix

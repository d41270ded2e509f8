// Result codes shared by every file reader and writer.
#pragma once

namespace tabrix {

enum FileResult : int {
    kFileOk = 0,           // success, also: nothing needed writing
    kFileCannotOpen = 1,   // the file could not be opened (or created)
    kFileShortWrite = 2,   // the write did not complete (also: the final rename failed)
    kFileCloseFailed = 3,  // closing or flushing failed, or the file holds no line at all
    kFileWrongHeader = 4,  // the first line is not the expected header
    // The file could not be read when its library was opened (or was read without what it
    // needs to be decoded), so a save leaves the copy on disk alone rather than replace it
    // with what little is in memory.
    kFileNotRead = 5,
};

}  // namespace tabrix

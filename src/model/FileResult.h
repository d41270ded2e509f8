// Result codes shared by every file reader and writer, and the one table of what each means.
#pragma once

#include <string_view>

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
    kFileResultCount
};

// What a result means, in English for the terminal or in Japanese for a window (UTF-8); a
// value outside the enum (a caller's mistake) reads "unknown file error".
enum class ResultLanguage { kEnglish, kJapanese };
std::string_view Describe(FileResult result, ResultLanguage language = ResultLanguage::kEnglish);

}  // namespace tabrix

// The preview a library file carries for the selection dialog: its preview image path and
// memo lines, read from the file's "[init]" section without opening the library.
#pragma once

#include <string>

#include "model/TStringDivision.h"

namespace tabrix {

struct TLibraryPreview {
    std::string imagePath;  // as stored (CP932, maybe relative to the library's folder)
    StringList memo;        // CP932 lines

    // Reads the library file at path (a model path); false when it is no readable library.
    bool Read(const std::string& path);
};

}  // namespace tabrix

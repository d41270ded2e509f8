// Something a library names that could not be read when the library was opened: a component
// file that is missing, unreadable, not a regular file or of the wrong kind, element data
// decoded without its parameter types, or a group whose group data is not in its file. The
// command-line tool prints these as warnings and the editor shows the same texts.
#pragma once

#include <string>

#include "model/FileResult.h"

namespace tabrix {

struct TLoadProblem {
    enum Kind {
        kParameterFile,     // the .ZQP: the library opens with no parameters
        kInitializeInfo,    // the .ZQI: the windows open with their default layout
        kElementData,       // a .ZQD: the groups showing its group data are not shown
        kDecodedUntyped,    // a .ZQD read while the parameter file was missing
        kGroupDataMissing,  // a group whose group data the (readable) file does not hold
    };

    Kind kind;
    std::string path;             // CP932, as the library holds it
    FileResult result = kFileOk;  // the reader's FileResult, where a file was read
    std::string group;            // the group's name, for kGroupDataMissing

    // One line in UTF-8 naming the file (or group) and why it was not read, and that the file
    // is left as it is on disk.
    std::string Describe() const;
};

}  // namespace tabrix

// Reads an initialize-info file (.ZQI): the window-state store of a library.
#pragma once

#include "model/FileResult.h"

namespace tabrix {

class TZQICtrl;

class TInitializeInfoReader {
public:
    explicit TInitializeInfoReader(TZQICtrl& info) : info_(info) {}

    // Reads the file at its path; a relative path is resolved against the library's folder and
    // stored back. Both window-state sections' defaults go into the store before parsing.
    FileResult Read();

private:
    TZQICtrl& info_;
};

}  // namespace tabrix
